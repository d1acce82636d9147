#pragma once
// What the features see of the main window: the information panel, the head file box, the Games
// list's selection and refresh, and a wait that keeps the window answering. The window implements it.
#include <string>
#include <vector>

#include <windows.h>

class MainView {
 public:
  virtual ~MainView() = default;

  virtual std::wstring PanelText() const = 0;
  virtual void SetPanelText(const std::wstring& text) = 0;  // keeps only the text before its first NUL
  virtual void AppendPanelLine(const std::wstring& line) = 0;  // line + CR LF at the end of the panel
  virtual void SetPanelCentred(bool centred) = 0;

  virtual std::wstring HeadFileText() const = 0;
  // Sets the head file box; when the text changes, its change handling runs before this returns.
  virtual void SetHeadFileText(const std::wstring& text) = 0;

  // The selected Games list entry's name, empty when none.
  virtual std::wstring SelectedGame() const = 0;
  // The Games list is reloaded once, shortly after the last request.
  virtual void RequestListRefresh() = 0;

  // Waits up to limitMs for one of objects while the window goes on answering: it paints, its timers
  // tick, hand-offs and other processes' messages are served, but clicks, keys and drops are
  // dropped, and a close asked for meanwhile is carried out afterwards. True when one of them
  // was signalled in time.
  virtual bool WaitAnswering(const std::vector<HANDLE>& objects, DWORD limitMs) = 0;
  // Waits for the request (a thread) that asks the system's consent to a restart as administrator,
  // as WaitAnswering does, except that the window can be moved, minimised and closed meanwhile (Close
  // asks first). False when the user closed the window instead.
  virtual bool WaitForConsent(HANDLE request) = 0;
  // Asks about heads still running past the time limit as Close does, ending those the user lets
  // end; false once the user lets one run on (the window then must not give way).
  virtual bool ReadyToGiveWay() = 0;
  // Program-wide mouse pointer: busy hourglass or the default arrow.
  virtual void SetBusyPointer(bool busy) = 0;
  // The program restarted elevated has its window: hand-offs that wait, and any that come later, go
  // there, and this window closes.
  virtual void GiveWay(HWND successor) = 0;
  // The window itself: owner of dialogs, target of timers.
  virtual HWND Handle() const = 0;
};
