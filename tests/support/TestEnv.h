#pragma once
// Helpers shared by the tests that run under Wine: files, registry, processes and the main window.
#include <memory>
#include <optional>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "DialogAnswerer.h"

class frmMain;

namespace testenv {

// The folder of the running test executable, with a trailing backslash (the build's bin folder).
std::string ExeDir();
// The built test head of that file name ("chess.ocx"), next to the tests in heads\.
std::string HeadPath(const std::string& name);
// A fresh, empty folder for the current test (C:\vesktest\<suite>.<test>\), made anew each call.
std::string TestDir();
// Copies a file into a folder and returns the copy's path.
std::string CopyInto(const std::string& file, const std::string& folder, const std::string& newName = "");
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
void SetAttributes(const std::string& path, DWORD attributes);

// Registry, with the ANSI calls and paths below a root.
bool KeyExists(HKEY root, const std::string& path);
void SetSz(HKEY root, const std::string& path, const std::string& name, const std::string& value);
void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes);
std::optional<std::string> GetSz(HKEY root, const std::string& path, const std::string& name);
void DeleteTree(HKEY root, const std::string& path);

// Reliability figures of a test program (faults survived, bad inputs tried): the counts added here
// are written when the program ends to figures\<program>.txt beside the build's bin folder, one
// name=value line each.
void CountFigure(const std::string& name, long long n = 1);

// Saves "AssociateMsg" = "1" so that a main window loads without the Associate prompt.
void SuppressAssociatePrompt();

// Runs a program (command line in the ANSI code page) and waits up to timeoutMs for it to end.
// Returns its exit code, or nullopt when it did not end in time (it is then killed).
std::optional<DWORD> RunAndWait(const std::string& commandLine, DWORD timeoutMs);

// A started process that is ended (killed if need be) when this goes away. Its command line is
// UTF-8, so that it may hold paths in any script.
class Process {
 public:
  explicit Process(const std::string& commandLine, const std::string& environmentAdd = "");
  ~Process();
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  bool Running() const;
  std::optional<DWORD> WaitExit(DWORD timeoutMs);
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// The processes that own a main window of the program right now.
std::set<DWORD> MainWindowOwners();

// Whether a window's class comes from the themed common controls (its procedure lives in
// comctl32) rather than from the system's plain window classes.
bool ThemedControl(HWND hwnd);

// The top-level window of a process with this caption, waiting up to timeoutMs for it.
HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs);

// Main window fixture: a loaded, visible frmMain in this process with a dialog answerer beside it.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  frmMain& Form() { return *form_; }
  DialogAnswerer& Boxes() { return *boxes_; }

  std::unique_ptr<DialogAnswerer> boxes_;
  std::unique_ptr<frmMain> form_;
};

}  // namespace testenv
