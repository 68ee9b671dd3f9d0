#include "support/modal_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "framework/application.h"
#include "framework/dialog.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often the driver looks whether the dialog is shown yet, and how long
// it lets the modal loop work off what the steps posted before it checks
// whether the steps closed the dialog.
constexpr UINT kShowPollMs = 20;
constexpr UINT kSettleMs = 100;
// How often the driver looks whether the time has run out.
constexpr UINT kWatchdogPollMs = 200;

struct Drive {
  DialogSteps steps;
  HWND dialog = nullptr;
  Clock::time_point deadline;
  Clock::time_point closeCheckAt;
  UINT_PTR showTimer = 0;
  UINT_PTR closeTimer = 0;
  UINT_PTR watchdogTimer = 0;
  ModalOutcome outcome;
};

// The drives under way on this thread, the innermost (most nested) last.
thread_local std::vector<Drive*> t_drives;
thread_local HHOOK t_hook = nullptr;

template <class Member>
Drive* FindDrive(UINT_PTR timer, Member member) {
  for (Drive* drive : t_drives) {
    if (drive->*member == timer) return drive;
  }
  return nullptr;
}

void StopTimer(UINT_PTR& timer) {
  if (timer != 0) KillTimer(nullptr, timer);
  timer = 0;
}

void CALLBACK OnCloseCheck(HWND, UINT, UINT_PTR timer, DWORD) {
  Drive* drive = FindDrive(timer, &Drive::closeTimer);
  // A timer message left in the queue by a finished drive may carry an id
  // that a newer timer reuses; only a due check acts.
  if (drive == nullptr || Clock::now() < drive->closeCheckAt) return;
  StopTimer(drive->closeTimer);
  // EndDialog hides the dialog, so one that is still visible was left open.
  if (IsWindow(drive->dialog) && IsWindowVisible(drive->dialog)) {
    drive->outcome.closedByDriver = true;
    EndDialog(drive->dialog, IDCANCEL);
  }
}

void RunSteps(Drive& drive) {
  drive.outcome.stepsRan = true;
  try {
    drive.steps(drive.dialog);
  } catch (const std::exception& error) {
    ADD_FAILURE() << "dialog steps threw: " << error.what();
  } catch (...) {
    ADD_FAILURE() << "dialog steps threw";
  }
  drive.closeCheckAt = Clock::now() + std::chrono::milliseconds(kSettleMs);
  drive.closeTimer = SetTimer(nullptr, 0, kSettleMs, OnCloseCheck);
}

void CALLBACK OnShowPoll(HWND, UINT, UINT_PTR timer, DWORD) {
  Drive* drive = FindDrive(timer, &Drive::showTimer);
  if (drive == nullptr) return;
  if (!IsWindow(drive->dialog)) {
    StopTimer(drive->showTimer);
    return;
  }
  // The modal loop shows a dialog without WS_VISIBLE once its queue is empty.
  if (!IsWindowVisible(drive->dialog)) return;
  StopTimer(drive->showTimer);
  RunSteps(*drive);
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, static_cast<int>(std::size(className)));
  // Dialog boxes and message boxes share this class.
  if (IsWindowVisible(window) && wcscmp(className, L"#32770") == 0) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  }
  return TRUE;
}

void EndEveryDialogOfThread() {
  EndMenu();
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  for (HWND dialog : dialogs) EndDialog(dialog, IDCANCEL);
}

void CALLBACK OnWatchdog(HWND, UINT, UINT_PTR timer, DWORD) {
  Drive* drive = FindDrive(timer, &Drive::watchdogTimer);
  if (drive == nullptr || Clock::now() < drive->deadline) return;
  if (!drive->outcome.timedOut) {
    drive->outcome.timedOut = true;
    ADD_FAILURE() << "a modal window was still open when the time ran out; the driver ended it";
  }
  // Ending a nested box lets the steps go on, and they may open another.
  EndEveryDialogOfThread();
}

// Gives the steps of the innermost drive still waiting for its dialog to a
// top-level dialog that has just been initialised.
void ClaimDialog(HWND dialog) {
  for (auto it = t_drives.rbegin(); it != t_drives.rend(); ++it) {
    Drive* drive = *it;
    if (drive->dialog != nullptr) continue;
    drive->dialog = dialog;
    drive->showTimer = SetTimer(nullptr, 0, kShowPollMs, OnShowPoll);
    return;
  }
}

LRESULT CALLBACK AfterWindowProcedure(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (call->message == WM_INITDIALOG && (GetWindowLongPtrW(call->hwnd, GWL_STYLE) & WS_CHILD) == 0) {
      ClaimDialog(call->hwnd);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Registers a drive for the duration of one DriveModal call; the hook is
// installed while any drive of the thread is under way.
class DriveScope {
 public:
  explicit DriveScope(Drive& drive) : m_drive(drive) {
    if (t_drives.empty()) {
      t_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterWindowProcedure, nullptr, GetCurrentThreadId());
    }
    t_drives.push_back(&drive);
    drive.watchdogTimer = SetTimer(nullptr, 0, kWatchdogPollMs, OnWatchdog);
  }
  ~DriveScope() {
    StopTimer(m_drive.showTimer);
    StopTimer(m_drive.closeTimer);
    StopTimer(m_drive.watchdogTimer);
    t_drives.erase(std::find(t_drives.begin(), t_drives.end(), &m_drive));
    if (t_drives.empty() && t_hook != nullptr) {
      UnhookWindowsHookEx(t_hook);
      t_hook = nullptr;
    }
  }
  DriveScope(const DriveScope&) = delete;
  DriveScope& operator=(const DriveScope&) = delete;

 private:
  Drive& m_drive;
};

}  // namespace

ModalOutcome DriveModal(const std::function<INT_PTR()>& open, DialogSteps steps, std::chrono::milliseconds timeout) {
  InitDialogControls();
  Drive drive;
  drive.steps = std::move(steps);
  drive.deadline = Clock::now() + timeout;
  {
    DriveScope scope(drive);
    drive.outcome.result = open();
  }
  return drive.outcome;
}

ModalOutcome RunModal(CDialog& dialog, DialogSteps steps, std::chrono::milliseconds timeout) {
  return DriveModal([&dialog] { return dialog.DoModal(); }, std::move(steps), timeout);
}

void ClickButton(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PostKey(HWND control, UINT virtualKey) {
  PostMessageW(control, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(control, WM_KEYUP, virtualKey, 0xC0000001);
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

void SetControlText(HWND dialog, int id, const wchar_t* text) { SetDlgItemTextW(dialog, id, text); }
