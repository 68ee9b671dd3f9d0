#include "reader_app/progress_window.h"

#include <commctrl.h>

#include <exception>
#include <memory>
#include <thread>

#include "framework/application.h"

namespace {

constexpr wchar_t kWindowClass[] = L"TarnwickProgress";
constexpr UINT kWorkProgress = WM_APP + 40;
constexpr UINT_PTR kShowTimer = 1;
constexpr int kClientWidth = 400;
constexpr int kClientHeight = 92;
constexpr int kMargin = 16;
constexpr int kTextHeight = 36;
constexpr int kBarHeight = 18;
constexpr int kFontHeight = -12;

LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kWorkProgress:
      SendDlgItemMessageW(window, kProgressBarId, PBM_SETPOS, wParam, 0);
      return 0;
    case WM_TIMER:
      KillTimer(window, kShowTimer);
      ShowWindow(window, SW_SHOWNORMAL);
      UpdateWindow(window);
      return 0;
    case WM_CLOSE:
      // The work cannot be stopped half-way; the window goes when it ends.
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

bool RegisterProgressClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ProgressWindowProc;
    windowClass.hInstance = ResourceInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_WAIT);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  return registered;
}

// The window, hidden until its timer shows it, centred on the work area of
// the primary monitor; destroyed with its font.
class ProgressWindow {
 public:
  ProgressWindow(const ProgressTexts& texts, bool showsBar) {
    if (!RegisterProgressClass()) return;
    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    m_window = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, texts.title, style,
                               work.left + (work.right - work.left - width) / 2,
                               work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr,
                               ResourceInstance(), nullptr);
    if (m_window == nullptr) return;
    m_font = CreateFontW(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
    AddChild(L"STATIC", texts.text, SS_LEFT, kMargin, kTextHeight, kProgressTextId);
    if (showsBar) {
      HWND bar = AddChild(PROGRESS_CLASSW, L"", 0, kMargin + kTextHeight + 8, kBarHeight, kProgressBarId);
      SendMessageW(bar, PBM_SETRANGE32, 0, kProgressWhole);
    }
    SetTimer(m_window, kShowTimer, kProgressWindowDelayMs, nullptr);
  }
  ~ProgressWindow() {
    if (m_window != nullptr) DestroyWindow(m_window);
    if (m_font != nullptr) DeleteObject(m_font);
  }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  HWND Handle() const { return m_window; }

 private:
  HWND AddChild(const wchar_t* windowClass, const wchar_t* text, DWORD style, int top, int height, int id) {
    HWND child = CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, kMargin, top,
                                 kClientWidth - 2 * kMargin, height, m_window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ResourceInstance(), nullptr);
    if (child != nullptr && m_font != nullptr) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    return child;
  }

  HWND m_window = nullptr;
  HFONT m_font = nullptr;
};

// Keeps the windows of this thread answering until the event is set.
void PumpUntilSet(HANDLE event) {
  while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // A quit asked for meanwhile is for the loop that runs next.
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        WaitForSingleObject(event, INFINITE);
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace

int RunWithProgressWindow(const ProgressTexts& texts, bool showsBar, const ProgressWork& work) {
  ProgressWindow window(texts, showsBar);
  const HWND handle = window.Handle();
  std::unique_ptr<void, decltype(&CloseHandle)> done(CreateEventW(nullptr, TRUE, FALSE, nullptr), &CloseHandle);
  // Without a window the work still has to be done.
  if (handle == nullptr || done.get() == nullptr) return work([](int) {});

  int result = 0;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      result = work([handle](int permille) { PostMessageW(handle, kWorkProgress, static_cast<WPARAM>(permille), 0); });
    } catch (...) {
      failure = std::current_exception();
    }
    SetEvent(done.get());
  });
  PumpUntilSet(done.get());
  worker.join();
  if (failure) std::rethrow_exception(failure);
  return result;
}
