#include "reader/card_poll.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>

#include "card/photo.h"
#include "common/card_database.h"
#include "common/reader_settings.h"
#include "reader/reader_commands.h"
#include "reader/usb_transport.h"

namespace {
constexpr DWORD kBeepFrequencyHz = 2000;
constexpr DWORD kBeepDurationMs = 200;
// Below this a find-card status is a failure of the link itself.
constexpr int kLinkFailureLimit = 10;

// What the thread and the window share. The card is only ever touched
// under the lock, so a window that answers late never sees half a card.
struct SharedState {
  std::mutex lock;
  CardInfo card{};
  HANDLE handshake = nullptr;
  RECT statusRect{};
  std::atomic<int> running{0};
  // The one-time radio set-up outlives the threads of a process.
  std::atomic<bool> firstConnectDone{false};
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
    Sleep(settings_.period);
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
    RECT strip;
    {
      std::lock_guard guard(Shared().lock);
      strip = Shared().statusRect;
    }
    InvalidateRect(window_, &strip, TRUE);
  }

  void Notify(UINT message, WPARAM kind) {
    PostMessageW(window_, message, kind, 0);
    InvalidateRect(window_, nullptr, TRUE);
  }

  // Posts a card message and waits until the window has taken the card.
  // A take that came after an earlier wait timed out left the event set,
  // so it is cleared first; a stop signalled just before the clearing
  // still shows in the run flag.
  void NotifyAndWait(UINT message, WPARAM kind) {
    ResetEvent(handshake_);
    Notify(message, kind);
    if (Shared().running.load() != 0) WaitForSingleObject(handshake_, kHandshakeTimeoutMs);
  }

  void Publish(const CardInfo& card) {
    std::lock_guard guard(Shared().lock);
    Shared().card = card;
  }

  void ReadFoundCard() {
    lastReported_ = kStatusSuccess;
    Notify(WM_CARD_STATUS, kCardFound);
    CardInfo card;
    status_ = ReadCard(link_, card);
    Publish(card);
    if (status_ != kStatusSuccess) return;

    NotifyAndWait(WM_CARD_READ, 0);
    lastReported_ = kStatusSuccess;
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (IsBlacklisted(card.idNumber) == 1) Notify(WM_CARD_STATUS, kBlacklistHit);
    if (settings_.readAppend != 0 && ReadNewAddress(link_, card) == kStatusSuccess) {
      Publish(card);
      NotifyAndWait(WM_CARD_STATUS, kNewAddressAdded);
    }
    if (settings_.autoSave != 0) {
      if (StoreCardRead(card, now) != 0) status_ = kStatusNotStored;
      ArchivePhoto(now, card.idNumber);
    }
    if (settings_.sound != 0) g_readBeep();
  }

  HWND window_;
  HANDLE handshake_;
  PollSettings settings_;
  ReaderLink link_{kPollingLinkCapacity};
  bool connected_ = false;
  int status_ = 0;
  int lastReported_ = 0;
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

void SetReadBeep(ReadBeep beep) { g_readBeep = beep != nullptr ? beep : SpeakerBeep; }

void SetStatusRect(const RECT& rectangle) {
  std::lock_guard guard(Shared().lock);
  Shared().statusRect = rectangle;
}
