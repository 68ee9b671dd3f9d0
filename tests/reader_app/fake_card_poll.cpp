#include "fake_card_poll.h"

#include <atomic>
#include <string>

#include "common/reader_settings.h"
#include "reader/card_poll.h"

namespace {
std::atomic<int> g_running{0};
}  // namespace

FakeCardPoll& FakePoll() {
  static FakeCardPoll poll;
  return poll;
}

void ResetFakePoll() { FakePoll() = FakeCardPoll{}; }

// Idles until stopped, like a loop whose reader never answers.
DWORD WINAPI CardPollThread(LPVOID window) {
  InterlockedIncrement(&FakePoll().started);
  FakePoll().window = static_cast<HWND>(window);
  while (g_running.load() != 0) Sleep(5);
  InterlockedIncrement(&FakePoll().finished);
  return 0;
}

void SetPollRunning(int run) { g_running.store(run); }

void TakeCardInfo(CardInfo& destination) {
  destination = FakePoll().card;
  ++FakePoll().takes;
}

// Any number is the shared read's: the tests post the messages themselves.
// The photo is the decoder's image.bmp in the save folder.
bool TakeCardRead(unsigned, CardInfo& destination, const wchar_t* photoCopy) {
  TakeCardInfo(destination);
  if (photoCopy == nullptr) return true;
  const std::wstring photo = std::wstring(GetSavePath()) + L"image.bmp";
  if (!CopyFileW(photo.c_str(), photoCopy, FALSE)) DeleteFileW(photoCopy);
  return true;
}

void SetStatusRect(const RECT& rectangle) { FakePoll().statusRect = rectangle; }
