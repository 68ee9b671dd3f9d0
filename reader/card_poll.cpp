#include "reader/card_poll.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>

#include "card/photo.h"
#include "common/card_database.h"
#include "common/reader_settings.h"
#include "reader/blacklist_rechecks.h"
#include "reader/read_store.h"
#include "reader/reader_commands.h"
#include "reader/usb_transport.h"

namespace {
constexpr DWORD kBeepFrequencyHz = 2000;
constexpr DWORD kBeepDurationMs = 200;
// Below this a find-card status is a failure of the link itself.
constexpr int kLinkFailureLimit = 10;
// The blacklist is asked before the card is shown, so that the verdict
// follows the card at once; a lock held longer than this is not waited
// out: the window says the check failed and the loop asks again.
constexpr int kLookupWaitMs = 1000;
// While earlier reads wait for their check, card2 is known to be in
// trouble: new lookups and the rechecks only try briefly.
constexpr int kRecheckWaitMs = 100;
// The shared read's photo, in this process's own folder.
constexpr wchar_t kSharedPhotoName[] = L"shared.bmp";

// What the thread and the window share. The read (card, number and photo)
// is only ever touched under the lock, so a window that answers late never
// sees half a read or one read's text with another's photo.
struct SharedState {
  std::mutex lock;
  CardInfo card{};
  unsigned sequence = 0;
  HANDLE handshake = nullptr;
  RECT statusRect{};
  std::atomic<int> running{0};
  // The one-time radio set-up outlives the threads of a process.
  std::atomic<bool> firstConnectDone{false};
  // Read numbers and the rechecks outlive a thread too: the configuration
  // dialog restarts the loop, and a pending check must not be forgotten.
  unsigned lastSequence = 0;
  BlacklistRechecks rechecks;
};

SharedState& Shared() {
  static SharedState state;
  return state;
}

void SpeakerBeep() { Beep(kBeepFrequencyHz, kBeepDurationMs); }

ReadBeep g_readBeep = SpeakerBeep;

void SignalHandshake() {
  SharedState& shared = Shared();
  std::lock_guard guard(shared.lock);
  if (shared.handshake != nullptr) SetEvent(shared.handshake);
}

// Settings the thread reads once when it starts.
struct PollSettings {
  int port;
  int sound;
  int readAppend;
  int autoSave;
  DWORD period;
};

PollSettings ReadPollSettings() {
  return {GetCurrentPort(), GetSound(), GetReadAppend(), GetAutoSave(), static_cast<DWORD>(GetPeriod())};
}

class CardPoller {
 public:
  CardPoller(HWND window, HANDLE handshake) : window_(window), handshake_(handshake), settings_(ReadPollSettings()) {
    link_.port = settings_.port;
  }

  void Run() {
    while (Shared().running.load() != 0) RunPass();
    if (connected_) CloseReaderLink(link_);
  }

 private:
  void RunPass() {
    ReportStatusIfChanged();
    RetryWhatFailedBefore();
    Sleep(settings_.period);
    // A stop asked for during the pause ends the loop before the reader is
    // spoken to again.
    if (Shared().running.load() == 0) return;
    if (!connected_ && !Connect()) return;
    status_ = FindCard(link_);
    if (status_ == kStatusCardFound) {
      ReadFoundCard();
    } else if (status_ < kLinkFailureLimit) {
      CloseReaderLink(link_);
      connected_ = false;
    }
  }

  bool Connect() {
    status_ = ConnectReader(link_, settings_.port);
    if (status_ != kStatusSuccess) return false;
    if (!Shared().firstConnectDone.exchange(true)) SetMaxRfBytes(link_);
    connected_ = true;
    return true;
  }

  void ReportStatusIfChanged() {
    if (status_ == lastReported_) return;
    lastReported_ = status_;
    if (status_ == kStatusSuccess) return;
    PostMessageW(window_, WM_CARD_STATUS, kStatusChanged, status_);
    InvalidateStatusStrip();
  }

  void Notify(UINT message, WPARAM wParam, LPARAM lParam = 0) {
    PostMessageW(window_, message, wParam, lParam);
    InvalidateRect(window_, nullptr, TRUE);
  }

  // Posts a message that carries the shared read. A take that came after an
  // earlier wait timed out left the event set, so it is cleared first; a
  // stop signalled just before the clearing still shows in the run flag.
  void Announce(UINT message, WPARAM wParam, LPARAM lParam) {
    ResetEvent(handshake_);
    Notify(message, wParam, lParam);
  }

  // Waits until the window has taken the read just announced.
  void WaitForTake() {
    if (Shared().running.load() != 0) WaitForSingleObject(handshake_, kHandshakeTimeoutMs);
  }

  // The read's photo is copied beside the card under the lock, so that the
  // window takes both or neither.
  void Publish(const CardInfo& card, unsigned sequence, const wchar_t* photo) {
    wchar_t shared[kPathCapacity];
    const bool photoPath = FormReadingFolderPath(shared, kPathCapacity, kSharedPhotoName) != 0;
    std::lock_guard guard(Shared().lock);
    Shared().card = card;
    Shared().sequence = sequence;
    if (photo != nullptr && photoPath && !CopyFileW(photo, shared, FALSE)) DeleteFileW(shared);
  }

  void ReadFoundCard() {
    lastReported_ = kStatusSuccess;
    Notify(WM_CARD_STATUS, kCardFound);
    CardInfo card;
    status_ = ReadCard(link_, card, &delivered_);
    // A failed read is never published: its text would go with no photo,
    // or with the photo of the card before.
    if (status_ != kStatusSuccess) return;

    wchar_t photo[kPathCapacity];
    if (FormReadingFolderPath(photo, kPathCapacity, kDecodedPhotoName) == 0) photo[0] = L'\0';
    const unsigned sequence = ++Shared().lastSequence;
    const BlacklistAnswer answer = LookUpBlacklist(card.idNumber, LookupWaitMs());
    Publish(card, sequence, photo);
    if (answer == BlacklistAnswer::kUnknown) Shared().rechecks.Add(sequence, card.idNumber);
    Announce(WM_CARD_READ, sequence, answer == BlacklistAnswer::kUnknown ? kBlacklistUnchecked : 0);
    if (answer == BlacklistAnswer::kListed) Notify(WM_CARD_STATUS, kBlacklistHit, static_cast<LPARAM>(sequence));
    WaitForTake();
    lastReported_ = kStatusSuccess;
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (settings_.readAppend != 0 && ReadNewAddress(link_, card) == kStatusSuccess) {
      Publish(card, sequence, nullptr);
      Announce(WM_CARD_STATUS, kNewAddressAdded, static_cast<LPARAM>(sequence));
      WaitForTake();
    }
    if (settings_.autoSave != 0) {
      if (!store_.Store(card, delivered_, now, photo)) status_ = kStatusNotStored;
      ReportWaitingIfChanged();
    }
    if (settings_.sound != 0) g_readBeep();
  }

  int LookupWaitMs() const { return Shared().rechecks.Empty() ? kLookupWaitMs : kRecheckWaitMs; }

  // Checks and stores that failed in earlier passes are tried again at the
  // start of each pass; both cost nothing while nothing waits.
  void RetryWhatFailedBefore() {
    if (!Shared().rechecks.Empty()) {
      for (const BlacklistRechecks::Answer& answer : Shared().rechecks.AskAgain(kRecheckWaitMs)) {
        const WPARAM kind = answer.listed ? kBlacklistHit : kBlacklistCleared;
        Notify(WM_CARD_STATUS, kind, static_cast<LPARAM>(answer.sequence));
      }
    }
    // Reads left waiting by an earlier run are announced before they go.
    ReportWaitingIfChanged();
    store_.StoreWaiting();
    ReportWaitingIfChanged();
  }

  void ReportWaitingIfChanged() {
    if (store_.Waiting() == waitingReported_) return;
    waitingReported_ = store_.Waiting();
    PostMessageW(window_, WM_CARD_STATUS, kReadsWaiting, waitingReported_);
    InvalidateStatusStrip();
  }

  void InvalidateStatusStrip() {
    RECT strip;
    {
      std::lock_guard guard(Shared().lock);
      strip = Shared().statusRect;
    }
    InvalidateRect(window_, &strip, TRUE);
  }

  HWND window_;
  HANDLE handshake_;
  PollSettings settings_;
  ReaderLink link_{kPollingLinkCapacity};
  ReadStore store_;
  // The photo bytes of the card being read; a member, since a kilobyte is
  // more than a pass should put on the thread's stack each time.
  CardPhotoBytes delivered_{};
  bool connected_ = false;
  int status_ = 0;
  int lastReported_ = 0;
  int waitingReported_ = 0;
};
}  // namespace

DWORD WINAPI CardPollThread(LPVOID window) {
  SharedState& shared = Shared();
  HANDLE handshake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (handshake == nullptr) return 0;
  {
    std::lock_guard guard(shared.lock);
    shared.handshake = handshake;
  }
  try {
    CardPoller poller(static_cast<HWND>(window), handshake);
    poller.Run();
  } catch (const std::bad_alloc&) {
    // No link buffer: the thread ends without a report.
  }
  {
    std::lock_guard guard(shared.lock);
    shared.handshake = nullptr;
  }
  CloseHandle(handshake);
  return 0;
}

void SetPollRunning(int run) {
  Shared().running.store(run);
  if (run == 0) SignalHandshake();
}

void TakeCardInfo(CardInfo& destination) {
  {
    std::lock_guard guard(Shared().lock);
    destination = Shared().card;
  }
  SignalHandshake();
}

bool TakeCardRead(unsigned sequence, CardInfo& destination, const wchar_t* photoCopy) {
  wchar_t shared[kPathCapacity];
  const bool photoPath = FormReadingFolderPath(shared, kPathCapacity, kSharedPhotoName) != 0;
  {
    std::lock_guard guard(Shared().lock);
    if (Shared().sequence != sequence) return false;
    destination = Shared().card;
    if (photoCopy != nullptr && (!photoPath || !CopyFileW(shared, photoCopy, FALSE))) DeleteFileW(photoCopy);
  }
  SignalHandshake();
  return true;
}

void SetReadBeep(ReadBeep beep) { g_readBeep = beep != nullptr ? beep : SpeakerBeep; }

void SetStatusRect(const RECT& rectangle) {
  std::lock_guard guard(Shared().lock);
  Shared().statusRect = rectangle;
}
