#pragma once
// Test hook for dropped files. Inert unless the environment variable VESK_TEST_DROPS names a file.
//
// Files dropped from the shell arrive as WM_DROPFILES with a file list that the shell builds in the
// receiving process. A test that drives the program from another process cannot hand over such a
// list (the handle is only valid in the process that made it), so, when the variable is set, the
// program makes a hidden message-only window of class kTestDropClass. Posting it the registered
// message kTestDropMessage with a control's window handle as wParam builds the list from the lines
// of the named file (one path a line, in UTF-8) the way the shell does, and sends
// it to that control as a drop.
namespace TestDropHook {

inline constexpr char kEnvironmentVariable[] = "VESK_TEST_DROPS";
inline constexpr char kTestDropClass[] = "VeskTestDropHook";
inline constexpr char kTestDropMessage[] = "VeskTestDropFiles";

// Makes the hook window when the variable is set; does nothing otherwise. Call on the UI thread.
void Install();

}  // namespace TestDropHook
