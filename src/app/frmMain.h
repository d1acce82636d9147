#pragma once
// The main window: a borderless skinned window that owns every control the user works with.
// Its procedures are spread over the subsystems that specify them; each file says which.
#include <memory>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "app/RunTimeError.h"
#include "fileinfo/VersionFields.h"
#include "registration/EntryWorker.h"
#include "shell/Registry.h"

class PictureBox;

// Mouse button codes and shift-key states as the window's mouse events report them.
enum MouseButton { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };

class frmMain {
 public:
  frmMain();
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // The one main window of the process while it exists, else null.
  static frmMain* Current();
  static constexpr char kCaption[] = "Vesk Game/Head Installer";

  // Creates the window and its controls, runs the load sequence, then shows the window.
  void Show();
  // Runs the unload sequence and destroys the window.
  void Unload();
  bool Loaded() const { return hwnd_ != nullptr; }

  // ---- Public operations (app/frmMain.cpp, registration/RegUnReg.cpp)
  bool AddCall(std::wstring& strCallID);
  // A path handed over by a second start: AddCall at once, or once a registration that is under
  // way has ended (no path is lost, and none lands in the middle of it).
  void ReceiveHandOff(const std::wstring& path);
  void ErrMsgProc(const std::wstring& mMsg, const RunTimeError& err);
  void RegUnReg(std::wstring inFileSpec, const std::wstring& inHandle = L"");

  // ---- Controls and their state, for every part of the window
  HWND hWnd() const { return hwnd_; }
  HWND txtMain() const { return txtMain_; }
  HWND txtOCXFile() const { return txtOCXFile_; }
  HWND lstGames() const { return lstGames_; }
  PictureBox& Picture(int controlId) const;

  std::wstring PanelText() const;
  void SetPanelText(const std::wstring& text);    // keeps only the text before its first NUL
  void AppendStatus(const std::wstring& line);    // line + CR LF at the end of the panel
  void SetPanelCentred(bool centred);
  bool PanelCentred() const { return panelCentred_; }

  std::wstring FileBoxText() const;
  // Sets the head file box; when the text changes, its change handling runs before this returns.
  void SetFileBoxText(const std::wstring& text);

  std::wstring ListText() const;                  // the selected entry's name, empty when none
  void ListClear();
  void ListAdd(const std::wstring& name);
  int ListCount() const;
  std::wstring ListItem(int index) const;

  // Refresh timer: enabling is a refresh request; the next tick reloads the Games list once.
  void EnableTimer1();
  bool Timer1Enabled() const { return timer1Enabled_; }
  void Timer1_Timer();

  // Program-wide mouse pointer: busy hourglass or the default arrow.
  void SetBusyPointer(bool busy);
  bool BusyPointer() const { return busyPointer_; }

  // Waits up to limitMs for one of objects while the window goes on answering: it paints, its timers
  // tick, hand-offs and other processes' messages are served, but clicks, keys and drops are
  // dropped, and a close asked for meanwhile is carried out afterwards. True when one of them
  // was signalled in time.
  bool WaitAnswering(const std::vector<HANDLE>& objects, DWORD limitMs);
  bool Waiting() const { return waiting_; }

  // ---- Games list (games/GamesStore.cpp, games/GamesView.cpp)
  void LoadGames();
  // Removes the entry that was asked about and the registration keys that provably belong to its head.
  void RemoveGame(const std::wstring& entryName, const std::wstring& classId);
  void lstGames_Click();
  void txtOCXFile_Change();
  void ShowCredits();

  // ---- File information (fileinfo/ReadVersionInfo.cpp, fileinfo/ShowFileInfo.cpp)
  bool ReadVersionInfo(const std::wstring& path);
  void ShowFileInfo(const std::wstring& path);
  VersionFields& Fields() { return versionFields_; }

  // ---- Register, Unregister and choosing the head file (registration/)
  void Image1_Click();
  void Image2_Click();
  void Image3_Click();
  void txtOCXFile_DropFiles(HDROP drop);
  void lstGames_DropFiles(HDROP drop);

  // ---- Window chrome (app/frmMain_Chrome.cpp)
  void Form_MouseDown(int button, int shift, int x, int y);
  void Form_MouseMove(int button, int shift, int x, int y);
  void Image1_MouseMove();
  void Image2_MouseMove();
  void Image3_MouseMove();
  void txtOCXFile_MouseMove();
  void imgVersion_MouseDown(int button, int shift, int x, int y);
  void lstGames_MouseDown(int button, int shift, int x, int y);
  void Image5_Click();
  void imgClose_Click();
  void imgMini_Click();

  // The saved-settings object of the window.
  Registry reg;

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Procedure of the list and the head file box: the form sees their messages, then (or instead)
  // the control's own procedure, kept in the control's user data.
  static LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnChildMessage(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  void CreateControls();
  // Workers still running after the time limit: each one's outcome is one more panel line when
  // it ends; the window's unload ends those still running.
  void WatchLateWorker(std::unique_ptr<registration::EntryWorker> worker);
  void LateWorkerTimer_Timer();
  void EndLateWorkers();
  // The head file box's change handling, and a worker made ready when it names a file.
  void OnFileBoxChanged();
  // What waited for a registration to end: hand-offs, then a close.
  void RunDeferred();
  void Form_Load();
  void Form_Unload();
  LRESULT OnCtlColor(HDC dc, HWND control);
  void OnPaint();
  // Mouse messages of the client area go to the picture under the point, else to the background.
  void OnMouse(UINT msg, WPARAM wParam, LPARAM lParam);
  PictureBox* PictureAt(POINT pt) const;

  HWND hwnd_ = nullptr;
  HWND txtMain_ = nullptr;
  HWND txtOCXFile_ = nullptr;
  HWND lstGames_ = nullptr;
  std::unique_ptr<PictureBox> pictures_[13];
  PictureBox* pressed_ = nullptr;  // the picture the left button went down on, until it comes up
  HBRUSH blackBrush_ = nullptr;
  HFONT font_ = nullptr;
  int lineHeight_ = 0;  // of a line in font_, in pixels
  HBITMAP skin_ = nullptr;
  bool timer1Enabled_ = false;
  bool busyPointer_ = false;
  bool panelCentred_ = false;
  bool settingFileBox_ = false;
  bool unloading_ = false;
  bool ready_ = false;    // loaded: hand-offs go to AddCall
  bool waiting_ = false;  // inside WaitAnswering
  bool closeRequested_ = false;
  std::vector<std::wstring> pendingHandOffs_;
  std::vector<std::unique_ptr<registration::EntryWorker>> lateWorkers_;
  // Workers whose work is done but whose process has not quite ended yet.
  std::vector<std::unique_ptr<registration::EntryWorker>> exitingWorkers_;
  // A worker started ahead of the next command.
  registration::SpareWorker spareWorker_;
  VersionFields versionFields_;
};
