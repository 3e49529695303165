#include <gtest/gtest.h>

#include "platform/registry/Registry.h"

using reg::RegistryError;
using reg::RegTree;

TEST(RegTree, AwkwardNamesAndValuesSurviveARoundTrip) {
  const std::string awkward[] = {
      "",
      "plain",
      "with \"quotes\"",
      "back\\slash\\\\double",
      "line\nbreak\r\nand\ttab",
      std::string("nul\0inside", 10),
      "\x01\x1f\x7f controls",
      "percent %41 %",
      "= and ] and [ and ;",
      "  leading and trailing  ",
      "Gr\xc3\xbc\xc3\x9f" "e \xe2\x9c\x93 \xf0\x9d\x84\x9e",
  };
  RegTree t;
  int n = 0;
  for (const std::string& s : awkward) {
    // As a value, a value name and a key element.
    t.SetString("Values", "v" + std::to_string(n), s);
    t.SetString("Names", s, std::to_string(n));
    if (!s.empty() && s.find('\\') == std::string::npos) t.SetString("Keys\\" + s, "", std::to_string(n));
    ++n;
  }
  t.SetDword("Numbers", "zero", 0);
  t.SetDword("Numbers", "max", 0xFFFFFFFFu);
  t.CreateKey("Empty\\Child");

  std::string text = t.Serialize();
  RegTree back = RegTree::Parse(text);
  EXPECT_TRUE(back == t);
  EXPECT_EQ(back.Serialize(), text);
  n = 0;
  for (const std::string& s : awkward) {
    EXPECT_EQ(back.GetString("Values", "v" + std::to_string(n)), s) << n;
    EXPECT_EQ(back.GetString("Names", s), std::to_string(n)) << n;
    if (!s.empty() && s.find('\\') == std::string::npos) {
      EXPECT_EQ(back.GetString("Keys\\" + s), std::to_string(n));
    }
    ++n;
  }
  EXPECT_EQ(back.GetDword("Numbers", "max"), 0xFFFFFFFFu);
  EXPECT_EQ(back.GetDword("Numbers", "zero"), 0u);
  EXPECT_TRUE(back.HasKey("Empty\\Child"));
  // Every line of the file is one line: no raw control characters.
  for (char c : text) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

TEST(RegTree, KeysAndNamesIgnoreCaseButKeepTheFirstSpelling) {
  RegTree t;
  t.SetString("CLSID\\{ABCD}\\InprocServer32", "ThreadingModel", "Apartment");
  t.SetString("clsid\\{abcd}\\inprocserver32", "threadingmodel", "Both");
  EXPECT_EQ(t.GetString("Clsid\\{AbCd}\\INPROCSERVER32", "THREADINGMODEL"), "Both");
  EXPECT_EQ(t.SubKeys("clsid"), std::vector<std::string>{"{ABCD}"});
  EXPECT_EQ(t.ValueNames("CLSID\\{abcd}\\InprocServer32"), std::vector<std::string>{"ThreadingModel"});
  EXPECT_EQ(t.SubKeys(""), std::vector<std::string>{"CLSID"});
  // Separators at either end or doubled do not make new keys.
  EXPECT_TRUE(t.HasKey("\\CLSID\\\\{ABCD}\\"));
  // The default value is the empty name; a string is no dword and back.
  t.SetDword("CLSID", "", 5);
  EXPECT_EQ(t.GetDword("clsid"), 5u);
  EXPECT_EQ(t.GetString("clsid"), std::nullopt);
  EXPECT_EQ(t.GetDword("CLSID\\{ABCD}\\InprocServer32", "ThreadingModel"), std::nullopt);
  EXPECT_EQ(t.Get("nothing"), std::nullopt);
}

TEST(RegTree, SubKeysAreDirectChildrenOnly) {
  RegTree t;
  for (const char* k : {"a\\b\\c", "a\\B2", "a b", "ab", "a\\c"}) t.CreateKey(k);
  EXPECT_EQ(t.SubKeys("a"), (std::vector<std::string>{"b", "B2", "c"}));
  EXPECT_EQ(t.SubKeys("a\\b"), std::vector<std::string>{"c"});
  EXPECT_EQ(t.SubKeys("missing"), std::vector<std::string>{});
}

TEST(RegTree, DeleteKeyTakesTheWholeSubtreeAndNothingElse) {
  RegTree t;
  for (const char* k : {"a\\b\\c", "a\\b2", "ab", "a b", "a!", "b"}) t.SetString(k, "v", k);
  EXPECT_TRUE(t.DeleteKey("A"));
  for (const char* gone : {"a", "a\\b", "a\\b\\c", "a\\b2"}) EXPECT_FALSE(t.HasKey(gone)) << gone;
  for (const char* kept : {"ab", "a b", "a!", "b"}) EXPECT_EQ(t.GetString(kept, "v"), kept) << kept;
  EXPECT_FALSE(t.DeleteKey("a"));
  EXPECT_FALSE(t.DeleteKey(""));
  EXPECT_TRUE(t.DeleteValue("AB", "V"));
  EXPECT_FALSE(t.DeleteValue("ab", "v"));
  EXPECT_TRUE(t.HasKey("ab"));
}

TEST(RegTree, DamagedTextNamesItsLine) {
  const std::string tag = "#cantrel-registry 1\n";
  struct Row {
    std::string text;
    int line;
  } rows[] = {
      {"[a]\n", 1},
      {"#cantrel-registry 2\n", 1},
      {tag + "\"v\"=string:\"x\"\n", 2},
      {tag + "[a]\n\"v\"=string:\"x\n", 3},
      {tag + "[a]\n\"v\"=string:\"\\q\"\n", 3},
      {tag + "[a]\n\"v\"=string:\"\\x4\"\n", 3},
      {tag + "[a]\n\"v\"=string:\"x\" trailing\n", 3},
      {tag + "[a]\n\"v\"=dword:xyz\n", 3},
      {tag + "[a]\n\"v\"=dword:123456789\n", 3},
      {tag + "[a]\n\"v\"=dword:\n", 3},
      {tag + "[a]\n\"v\"=qword:1\n", 3},
      {tag + "[a]\n\"v\" string:\"x\"\n", 3},
      {tag + "[a]\n\"v\"=dword:1\n\"V\"=dword:2\n", 4},
      {tag + "\n\n[a\n", 4},
      {tag + "[]\n", 2},
      {tag + "[%zz]\n", 2},
      {tag + "[a%4]\n", 2},
      {tag + "[a]\ngarbage\n", 3},
  };
  for (const Row& row : rows) {
    try {
      RegTree::Parse(row.text);
      ADD_FAILURE() << "accepted: " << row.text;
    } catch (const RegistryError& e) {
      EXPECT_NE(std::string(e.what()).find("line " + std::to_string(row.line) + ":"), std::string::npos)
          << e.what() << " for: " << row.text;
    }
  }
}

TEST(RegTree, LenientWhereNothingIsLost) {
  // Blank files, comments, CR-LF line ends, repeated sections.
  EXPECT_TRUE(RegTree::Parse("") == RegTree());
  EXPECT_TRUE(RegTree::Parse(" \n\n") == RegTree());
  RegTree t = RegTree::Parse(
      "#cantrel-registry 1\r\n; comment\r\n[a]\r\n\"x\"=dword:0000000A\r\n[b]\r\n[A]\r\n\"y\"=string:\"z\"\r\n");
  EXPECT_EQ(t.GetDword("a", "x"), 10u);
  EXPECT_EQ(t.GetString("a", "y"), "z");
  EXPECT_TRUE(t.HasKey("b"));
}
