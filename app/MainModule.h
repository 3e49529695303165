// The program's start-up module: the single-instance test, the one window,
// and the one way the program ends.
#pragma once

#include <QString>
#include <functional>

class CMessagePresenter;
class MainFrm;

class MainModule {
 public:
  // The firmware file's name (without folder); empty when none was found.
  static QString FwFile;

  // Refuses a second copy, else loads and shows the window, then returns;
  // the caller runs the event loop.
  static void Main();
  // Ends the process at once: no further handler runs, nothing is waited
  // for, not even a burn in progress.
  static void EndProgram();

  // The window, once Main has made it.
  static MainFrm* Form();
  // True once EndProgram has been called (seen only where an end hook
  // keeps the process alive).
  static bool HasEnded();

  // Start-up settings, for hosts that embed the program's logic (tests).
  struct Settings {
    CMessagePresenter* pPresenter = nullptr;  // null: real message boxes
    QString strProgramPath;                   // empty: this program's file
    QString strLockFolder;                    // empty: the runtime folder
    std::function<void()> fnEndHook;          // set: called instead of ending the process
  };
  static void Configure(Settings settings);
  // Destroys the window and forgets every state (tests run Main repeatedly).
  static void Reset();
};
