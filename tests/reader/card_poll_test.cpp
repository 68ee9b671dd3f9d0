// The polling thread against the reader emulator, with a window of the
// test's own that answers the thread's messages late or never: the thread's
// hand-shake waits end when they should.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader/card_poll.h"
#include "support/app_data_folder.h"
#include "support/emulator_control.h"

namespace {
constexpr wchar_t kWindowClass[] = L"CardPollTestWindow";
constexpr std::int32_t kPortTypeSerial = 2;
constexpr UINT_PTR kLateTakeTimer = 1;
// Later than the thread waits for the window.
constexpr UINT kLateTakeMs = kHandshakeTimeoutMs + 500;

struct Seen {
  UINT message;
  WPARAM kind;
  LPARAM code;
  ULONGLONG at;
};

// What the window received, and whether it takes the first card late.
struct WindowLog {
  std::vector<Seen> seen;
  bool takeFirstCardLate = false;
};

WindowLog g_log;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CARD_READ || message == WM_CARD_STATUS) {
    g_log.seen.push_back({message, wParam, lParam, GetTickCount64()});
    const bool firstCard = message == WM_CARD_READ &&
                           std::count_if(g_log.seen.begin(), g_log.seen.end(),
                                         [](const Seen& s) { return s.message == WM_CARD_READ; }) == 1;
    if (firstCard && g_log.takeFirstCardLate) SetTimer(window, kLateTakeTimer, kLateTakeMs, nullptr);
    return 0;
  }
  if (message == WM_TIMER && wParam == kLateTakeTimer) {
    KillTimer(window, kLateTakeTimer);
    CardInfo card;
    TakeCardInfo(card);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class CardPollThreadTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Connected()) << "run under tests/support/with-emulator";
    g_log = WindowLog{};
    wchar_t settingsFolder[kPathCapacity];
    ASSERT_GT(GetSettingsFolder(kPathCapacity, settingsFolder), 0);
    ASSERT_TRUE(CreatePathFolders(settingsFolder));
    LoadSettings();  // defaults: no file yet, so no store and no newest address
    SetSavePath(settingsFolder);
    SetPortType(kPortTypeSerial);
    SetComPort(EmulatorComPort());
    SetSound(0);
    emulator_.Request("clear-faults");
    emulator_.Request("lift");

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
  }

  void TearDown() override {
    Stop();
    DestroyWindow(window_);
    UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr));
  }

  void Start() {
    SetPollRunning(1);
    thread_ = CreateThread(nullptr, 0, CardPollThread, window_, 0, nullptr);
    ASSERT_NE(thread_, nullptr);
  }

  // Stops the thread; true when it ended within the time.
  bool Stop(DWORD timeoutMs = 10000) {
    if (thread_ == nullptr) return true;
    SetPollRunning(0);
    const bool ended = WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(thread_);
    thread_ = nullptr;
    return ended;
  }

  // Handles the window's messages until `done` holds or the time is up.
  template <class Condition>
  bool PumpUntil(Condition done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done() && GetTickCount64() < deadline) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    return done();
  }

  // Index of the first message after `from` that matches.
  template <class Match>
  std::size_t FindSeen(std::size_t from, Match match) const {
    for (std::size_t i = from; i < g_log.seen.size(); ++i) {
      if (match(g_log.seen[i])) return i;
    }
    return g_log.seen.size();
  }

  static bool IsCardRead(const Seen& s) { return s.message == WM_CARD_READ; }

  EmulatorControl emulator_;
  ScopedAppDataFolder appData_;
  HWND window_ = nullptr;
  HANDLE thread_ = nullptr;
};

TEST_F(CardPollThreadTest, StoppingEndsTheHandshakeWaitAtOnce) {
  emulator_.Request("lay " + std::string(SAMPLE_CARD));
  Start();
  ASSERT_TRUE(PumpUntil([&] { return FindSeen(0, IsCardRead) < g_log.seen.size(); }, 10000));
  const ULONGLONG stopping = GetTickCount64();
  EXPECT_TRUE(Stop(5000));
  // The hand-shake would have lasted 2000 ms; the pass ends well before.
  EXPECT_LT(GetTickCount64() - stopping, 1500u);
}

TEST_F(CardPollThreadTest, ACardTakenTooLateDoesNotCutTheNextCardsWaitShort) {
  g_log.takeFirstCardLate = true;
  emulator_.Request("lay " + std::string(SAMPLE_CARD));
  Start();
  ASSERT_TRUE(PumpUntil([&] { return FindSeen(0, IsCardRead) < g_log.seen.size(); }, 10000));
  // The late take comes after the thread gave up waiting for it.
  PumpUntil([] { return false; }, kLateTakeMs + 500);
  emulator_.Request("lift");
  emulator_.Request("lay " + std::string(SAMPLE_CARD));
  const std::size_t first = FindSeen(0, IsCardRead);
  std::size_t second = 0;
  ASSERT_TRUE(PumpUntil(
      [&] { return (second = FindSeen(first + 1, IsCardRead)) < g_log.seen.size(); }, 10000));
  // Nobody takes the second card: the thread waits the whole time before
  // its next pass reports the halted card.
  std::size_t next = 0;
  const auto isNoCard = [](const Seen& s) { return s.message == WM_CARD_STATUS && s.code == 0x80; };
  ASSERT_TRUE(PumpUntil([&] { return (next = FindSeen(second + 1, isNoCard)) < g_log.seen.size(); }, 10000));
  EXPECT_GE(g_log.seen[next].at - g_log.seen[second].at, kHandshakeTimeoutMs - 100);
}
}  // namespace
