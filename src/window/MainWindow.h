#pragma once
// The main window: a borderless skinned window with the information panel, the head file box, the
// Games list and the picture buttons. It routes what the user does to the features and shows what
// they return; the features reach it through MainView.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "window/HeadFileProbe.h"
#include "window/PictureBox.h"
#include "window/WindowLayout.h"
#include "platform/MainView.h"
#include "window/Registrar.h"

class MainWindow final : public MainView {
 public:
  MainWindow();
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  static constexpr wchar_t kCaption[] = L"Vesk Game/Head Installer";

  // Creates the window and its controls, runs the load sequence, shows the window and takes the
  // start's command (a path, or nothing), unless a hand-off came in the meantime. A successor (the
  // program restarted as administrator) does not ask the start-up question again: the instance it
  // takes over from has.
  void Show(const std::wstring& command = L"", bool successor = false);
  // The user closes the window: a head still running past the time limit is ended only on Yes; while
  // the system asks for consent to a restart as administrator, the window closes only on Yes.
  void Close();
  // Runs the unload sequence and destroys the window.
  void Unload();
  bool Loaded() const { return hwnd_ != nullptr; }

  // A head path from the command line or a second start: into the head file box (long form).
  void ReceiveHeadPath(const std::wstring& path);
  // A second start: the window comes forward (restored when minimised) and takes its path, if any,
  // at once, or once the load, a registration under way or a modal box or dialog has ended (no path
  // is lost, none lands in the middle of them, and the latest one is the one left in the box).
  void ReceiveHandOff(const std::optional<std::wstring>& path);

  // The Games list reloaded from the registry.
  void ReloadGamesList();
  bool RefreshPending() const { return refreshPending_; }
  void OnRefreshTimer();

  HWND hWnd() const { return hwnd_; }
  HWND InfoPanel() const { return panel_; }
  HWND HeadFileBox() const { return headFileBox_; }
  HWND GamesList() const { return gamesList_; }
  PictureBox& Picture(int controlId) const { return *pictures_[controlId - kFirstPicture]; }
  window::Registrar& Registrar() { return registrar_; }
  bool BusyPointer() const { return busyPointer_; }

  // MainView
  std::wstring PanelText() const override;
  void SetPanelText(const std::wstring& text) override;
  void AppendPanelLine(const std::wstring& line) override;
  void SetPanelCentred(bool centred) override;
  std::wstring HeadFileText() const override;
  void SetHeadFileText(const std::wstring& text) override;
  std::wstring SelectedGame() const override;
  void RequestListRefresh() override;
  bool WaitAnswering(const std::vector<HANDLE>& objects, DWORD limitMs) override;
  bool WaitForConsent(HANDLE request) override;
  bool ReadyToGiveWay() override;
  void SetBusyPointer(bool busy) override;
  void GiveWay(HWND successor) override;
  HWND Handle() const override { return hwnd_; }

 private:
  // Posted when the program restarted elevated has its window: this one closes at once.
  static constexpr UINT kGiveWayMessage = WM_APP + 0x20;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Procedure of the list and the head file box: the window sees their messages, then (or instead)
  // the control's own procedure, kept in the control's user data.
  static LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int code);
  // Register, Unregister, Open and the two marks, clicked or pressed with Space; IDOK is Enter.
  void OnButton(int id);
  // After the child's own procedure.
  void OnChildMessage(HWND child, UINT msg, LPARAM lParam);
  void OnDropFiles(HWND child, HDROP drop);
  void CreateControls();
  void CreatePictures();
  // Register, Unregister and Open after the head file box in tab order, and the two marks, as
  // owner-drawn buttons that carry their names.
  void CreateButtons();
  static HWND CreateChild(HWND parent, const ControlPlace& place, const wchar_t* windowClass, DWORD style,
                          const wchar_t* text = L"");
  // The panel's font, unlimited text and narrow margins, for the panel as made and as made anew.
  void PreparePanel();
  void OnLoad(bool successor);
  // WM_COPYDATA: a hand-off is taken when this thread sent it or it carries the proof, else refused
  // with a line in the panel.
  void OnCopyData(LPARAM copyData);
  // WaitAnswering; movable: the window can be moved, minimised and closed meanwhile.
  bool Wait(const HANDLE* objects, DWORD count, DWORD limitMs, bool movable);
  // Checks the head file box's text (at once when set, after a pause when typed), waiting up to
  // waitMs for what the check finds; what comes later shows when it comes.
  void OnHeadFileChanged(DWORD waitMs = 0);
  void OnHeadFileFacts(const HeadFileFacts& facts);
  // A check still waiting for the typing to pause is run now (Enter, or before a command).
  void SettleHeadFileCheck();
  // What waited for a registration or a modal loop to end: hand-offs, then a close.
  void RunDeferred();
  // Whether a hand-off's path can be taken now: loaded, not waiting, no modal box or dialog open.
  bool TakesHandOffs() const;
  void ComeForward();
  // Appends the names to the list box; false when the list box cannot take one.
  bool FillGamesList(const std::vector<std::wstring>& names);
  LRESULT OnCtlColor(HDC dc, HWND control);
  void DrawGamesListItem(const DRAWITEMSTRUCT& item) const;
  void DrawButton(const DRAWITEMSTRUCT& item) const;
  void DrawHeadFileBoxFrame();
  void OnPaint();
  // Mouse messages of the client area go to the picture under the point, else to the background.
  void OnMouse(UINT msg, POINT pt);
  void OnBackgroundPress(MouseButton button);
  // The Settings menu from the context-menu key or Shift+F10, at the control that had the focus.
  void OnContextMenuKey(HWND control);
  // The Settings menu at the pointer or at a point of the screen, and the command chosen in it.
  void ShowSettingsMenu(const POINT* at);
  // "Save Registration As...": what the head in the box registers, saved as a .reg file the user chooses.
  void SaveRegistrationAs();
  // The pointer left a picture button: straight out of the window, every picture turns normal.
  void OnButtonLeft();
  void ShowButtonPictures(int hovered);
  void OnLogoClick();
  PictureBox* PictureAt(POINT pt) const;

  HWND hwnd_ = nullptr;
  HWND panel_ = nullptr;
  HWND headFileBox_ = nullptr;
  HWND gamesList_ = nullptr;
  std::unique_ptr<PictureBox> pictures_[kPictureCount];
  PictureBox* pressed_ = nullptr;  // the picture the left button went down on, until it comes up
  HBRUSH blackBrush_ = nullptr;
  HFONT font_ = nullptr;
  int lineHeight_ = 0;  // of a line in font_, in pixels
  HBITMAP skin_ = nullptr;
  bool refreshPending_ = false;
  bool busyPointer_ = false;
  bool panelCentred_ = false;
  bool settingHeadFile_ = false;
  bool unloading_ = false;
  bool ready_ = false;    // loaded: hand-offs are taken at once
  bool waiting_ = false;  // inside WaitAnswering
  bool closeRequested_ = false;
  bool consentAsked_ = false;  // inside WaitForConsent
  bool stopWaiting_ = false;   // the user closed during it
  bool typingPause_ = false;       // typed text waits for a pause before it is checked
  HeadFileProbe probe_;
  unsigned panelWrites_ = 0;       // every write of the panel counts
  unsigned panelWritesAtProbe_ = 0;
  HWND lastFocus_ = nullptr;       // the control that had the focus when the window went inactive
  std::vector<std::wstring> pendingHandOffs_;
  HWND successor_ = nullptr;  // the instance this one gave way to
  window::Registrar registrar_{*this};
};
