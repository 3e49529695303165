// The parsed form of an automation script: one statement per script line,
// loops resolved to the index of their other end.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

struct ScriptExpr {
  enum class Kind {
    Long,         // 5
    Short,        // 5%
    String,       // "text"
    Bool,         // True / False
    Empty,        // Empty
    Null,         // Null
    Nothing,      // Nothing: a null object reference
    ByRefString,  // byref "text"
    Variable,     // name
    Member,       // object.Name or object.Name(args)
  };
  Kind kind = Kind::Empty;
  LONG lValue = 0;   // Long, Short, Bool
  std::string text;  // String and ByRefString (UTF-8), Variable and Member names
  std::shared_ptr<ScriptExpr> object;  // Member: what the member belongs to
  std::vector<ScriptExpr> args;        // Member: arguments in order
};

struct ScriptStatement {
  enum class Kind {
    Create,   // set name = create PROGID
    Assign,   // set|let target = value
    Call,     // call expr, or a bare member call
    Print,    // print value, value...
    ForEach,  // for each name in collection
    Next,     // next [name]
    Wait,     // wait name Event, Event... [seconds]
  };
  Kind kind = Kind::Print;
  int line = 0;
  bool bSet = false;     // Assign: set (a reference) rather than let (a value)
  ScriptExpr target;     // Assign: a Variable or a Member
  std::string name;      // Create, ForEach and Wait: the variable
  std::string progId;    // Create: ProgID or {class id}
  std::vector<ScriptExpr> values;  // Assign, Call, ForEach: one; Print: any
  std::vector<std::string> events;  // Wait
  int timeoutSeconds = 60;          // Wait
  size_t jump = 0;  // ForEach: index of its Next; Next: index of its ForEach
};

struct Script {
  std::vector<ScriptStatement> statements;
};
