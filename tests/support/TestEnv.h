#pragma once
// Helpers shared by the tests that run under Wine: files, registry, processes and the main window.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include "DialogAnswerer.h"

class MainWindow;

namespace testenv {

std::string ExeDir();  // the test program's folder (the build's bin folder), with a trailing backslash
std::string HeadPath(const std::string& name);  // a built test head ("chess.ocx"), in bin\heads
std::string TestDir();  // a fresh, empty C:\vesktest\<suite>.<test>\, made anew each call
// Copies a file into a folder (under its own name unless newName is given); returns the copy's path.
std::string CopyInto(const std::string& file, const std::string& folder, const std::string& newName = "");
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// Registry, with the ANSI calls and paths below a root; the name "" is the default value.
bool KeyExists(HKEY root, const std::string& path);
void SetSz(HKEY root, const std::string& path, const std::string& name, const std::string& value);
std::optional<std::string> GetSz(HKEY root, const std::string& path, const std::string& name);
void DeleteTree(HKEY root, const std::string& path);
// Makes the key refuse the access rights given (as a key refuses a standard user), or, with 0, refuse none.
void Refuse(HKEY root, const std::string& path, DWORD access);

// Saves "AssociateMsg" = "1" so that a main window loads without the Associate prompt.
void SuppressAssociatePrompt();

// A started process (UTF-8 command line; flags for CreateProcess, such as CREATE_SUSPENDED), killed
// if need be when this goes away. limited: with the user's ordinary rights, as a standard start gives
// them (the limited token linked to this one's).
class Process {
 public:
  explicit Process(const std::string& commandLine, DWORD flags = 0, bool limited = false);
  ~Process();
  void Resume() { ResumeThread(info_.hThread); }
  DWORD Id() const { return info_.dwProcessId; }
  std::optional<DWORD> WaitExit(DWORD timeoutMs);
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// Types keys as a user does (SendInput), to the window that has the focus: each chord's keys go down
// in order and come up in reverse ({VK_SHIFT, VK_TAB} is Shift+Tab).
void Type(const std::vector<std::vector<WORD>>& chords);

// The lines, each ended by CR LF, as the panel shows them.
std::wstring Lines(const std::vector<std::wstring>& lines);

// A list box's item count, and its item at index (-1: the selected one; empty when none).
int ListCount(HWND list);
std::wstring ListItem(HWND list, int index);

// A loaded, visible MainWindow in this process (without the Associate prompt) and a dialog answerer.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  MainWindow& Window() { return *window_; }
  DialogAnswerer& Boxes() { return *boxes_; }
  std::unique_ptr<DialogAnswerer> boxes_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace testenv
