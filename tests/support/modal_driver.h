// Drives a modal dialog from a window test. The test's steps run inside the
// dialog's own modal loop once the dialog is shown, so they can send and
// post messages to it like a person would; a dialog the steps leave open is
// closed afterwards, and a dialog still open when the time runs out (the
// steps waiting on a nested message box, say) is ended and the test fails.
// No modal window is ever left waiting for a person.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

class CDialog;

using DialogSteps = std::function<void(HWND dialog)>;

struct ModalOutcome {
  // What the call that showed the dialog returned (DoModal's result).
  INT_PTR result = 0;
  // A dialog appeared and the steps ran on it.
  bool stepsRan = false;
  // The steps left the dialog open, so the driver ended it with IDCANCEL.
  bool closedByDriver = false;
  // The time ran out and the driver ended every dialog of the thread.
  bool timedOut = false;
};

inline constexpr std::chrono::milliseconds kModalTimeout{15000};

// Runs dialog.DoModal() and the steps on the dialog.
ModalOutcome RunModal(CDialog& dialog, DialogSteps steps, std::chrono::milliseconds timeout = kModalTimeout);

// Runs `open`, a call that shows a modal dialog on this thread (DoModal, a
// button click inside other steps that opens a nested dialog, a message
// box), and the steps on the first top-level dialog that appears meanwhile.
ModalOutcome DriveModal(const std::function<INT_PTR()>& open, DialogSteps steps,
                        std::chrono::milliseconds timeout = kModalTimeout);

// Clicks a button of the dialog as the mouse would (check boxes and radio
// buttons change state); the click's command is handled before this returns.
void ClickButton(HWND dialog, int id);
// Posts a key press to a control. The dialog's modal loop handles it after
// the steps return, as it would handle a typed key (Enter, Esc, Tab).
void PostKey(HWND control, UINT virtualKey);
std::wstring ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const wchar_t* text);
