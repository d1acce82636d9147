#pragma once
// A modal dialog window built at run time: an in-memory template without controls (the program
// carries no dialog resources), the controls then created at their places given in twips, and the
// client area sized exactly. Every way of closing it goes through Close().
#include <vector>

#include <windows.h>

class DialogForm {
 public:
  struct Control {
    int id;
    const wchar_t* windowClass;  // L"BUTTON" or L"STATIC"
    DWORD style;                 // the kind's own styles; WS_CHILD | WS_VISIBLE are added
    const wchar_t* caption;
    int left, top, width, height;  // twips
  };

  DialogForm(const wchar_t* caption, int clientWidthTwips, int clientHeightTwips, std::vector<Control> controls);
  virtual ~DialogForm();
  DialogForm(const DialogForm&) = delete;
  DialogForm& operator=(const DialogForm&) = delete;

  // Shows the dialog modally, owned by owner (null: no owner); returns when it has been closed.
  void ShowModal(HWND owner);
  // Runs the form's unload handling and ends the dialog.
  void Close();

  HWND hWnd() const { return hwnd_; }
  bool Checked(int id) const;
  void SetChecked(int id, bool checked);

 protected:
  virtual void OnLoad() {}
  // A click on a button or check box; IDCANCEL stands for the close box and the Escape key.
  virtual void Click(int id) = 0;
  virtual void OnUnload() {}

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void SizeAndPlace();

  const wchar_t* caption_;
  int clientWidth_;
  int clientHeight_;
  std::vector<Control> controls_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  bool closing_ = false;
};
