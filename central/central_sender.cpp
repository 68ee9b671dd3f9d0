#include "central/central_sender.h"

#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "central/central_connection.h"
#include "central/central_password.h"
#include "central/central_status_text.h"
#include "central/outbox.h"

namespace {
// card2 is shared with the polling loop and the other programs: the sender
// only ever waits briefly for it, and tries again later.
constexpr int kOutboxWaitMs = 500;
constexpr DWORD kOutboxRetryMs = 250;
// With nothing queued the sender sleeps until a store wakes it, looking
// now and then for reads another program queued in the same card2.
constexpr DWORD kIdleLookMs = 5000;
constexpr DWORD kFirstRetryMs = 1000;
// Waits are cut into slices, so that the status line follows the time.
constexpr DWORD kWaitSliceMs = 1000;
// A committed batch whose removal from the outbox failed is tried this
// often; were it left, the next round resends it, which the server ignores.
constexpr int kRemoveTries = 5;
}  // namespace

struct CentralSender::Shared {
  HWND window = nullptr;
  CentralSettings settings;
  mutable std::mutex lock;
  CentralTrouble trouble;
  std::wstring shownText;
};

namespace {
using Shared = CentralSender::Shared;

class SenderLoop {
 public:
  SenderLoop(Shared& shared, const StopSignal& stop) : shared_(shared), stop_(stop) {}

  void Run() {
    if (!LoadPassword()) return;
    // Logged in before the first read comes, so that it does not wait for
    // the driver to load and the login to finish; settings that cannot
    // work are named at once.
    if (const CentralResult opened = connection_.Open(shared_.settings.connection, password_); !opened.ok()) {
      if (Stopping()) return;
      Failed(opened);
    }
    while (!Stopping()) Round();
  }

 private:
  bool Stopping() const { return stop_.Asked(); }

  bool LoadPassword() {
    if (LoadCentralPassword(kCounterPasswordFile, password_) != PasswordLoad::kUnreadable) return true;
    Failed({CentralFault::kBadSettings, L"the stored password cannot be read by this user"});
    // Nothing can be sent without it; the status line keeps saying so.
    while (!Stopping()) WaitWhileStopNotAsked(kIdleLookMs);
    return false;
  }

  void Round() {
    std::vector<OutboxRead> batch;
    const int read = ReadOutboxBatch(kSendBatchSize, kOutboxWaitMs, batch);
    // A card2 put in place without the outbox gets it with its next store.
    if (read == SQLITE_ERROR) stop_.WaitOr(OutboxQueuedEvent(), kIdleLookMs);
    if (read != SQLITE_OK) {
      if (read != SQLITE_ERROR) WaitWhileStopNotAsked(kOutboxRetryMs);
      return;
    }
    if (batch.empty()) {
      NoteWaiting(0);
      stop_.WaitOr(OutboxQueuedEvent(), kIdleLookMs);
      return;
    }
    CentralResult result = connection_.IsOpen() ? CentralResult{CentralFault::kNone, {}}
                                                : connection_.Open(shared_.settings.connection, password_);
    if (result.ok()) result = connection_.Send(batch);
    // A close asked for during the network call: card2 is left alone, and
    // a batch the server took is resent at the next start and ignored.
    if (Stopping()) return;
    if (!result.ok()) {
      connection_.Close();
      Failed(result);
      WaitWhileStopNotAsked(retryMs_);
      retryMs_ = std::min<DWORD>(retryMs_ * 2, static_cast<DWORD>(shared_.settings.retryLimitSeconds) * 1000);
      return;
    }
    RemoveSent(batch.back().id);
    retryMs_ = kFirstRetryMs;
    Succeeded();
  }

  void RemoveSent(std::int64_t lastId) {
    for (int tries = 0; tries < kRemoveTries && !Stopping(); ++tries) {
      if (RemoveSentReads(lastId, kOutboxWaitMs) == SQLITE_OK) return;
    }
  }

  void Failed(const CentralResult& result) {
    RecordSendFailure(result.message, kOutboxWaitMs);
    {
      std::lock_guard guard(shared_.lock);
      if (shared_.trouble.fault == CentralFault::kNone) shared_.trouble.since = GetTickCount64();
      shared_.trouble.fault = result.fault;
    }
    NoteWaiting(CountOutbox(kOutboxWaitMs));
  }

  void Succeeded() {
    {
      std::lock_guard guard(shared_.lock);
      shared_.trouble.fault = CentralFault::kNone;
    }
    NoteWaiting(CountOutbox(kOutboxWaitMs));
  }

  // A count that could not be made keeps the one shown.
  void NoteWaiting(std::int64_t waiting) {
    if (waiting >= 0) {
      std::lock_guard guard(shared_.lock);
      shared_.trouble.waiting = waiting;
    }
    Publish();
  }

  void WaitWhileStopNotAsked(DWORD totalMs) {
    for (DWORD waited = 0; waited < totalMs && !Stopping(); waited += kWaitSliceMs) {
      if (stop_.Wait(std::min(kWaitSliceMs, totalMs - waited))) return;
      if (shared_.trouble.fault != CentralFault::kNone) NoteWaiting(CountOutbox(kOutboxWaitMs));
    }
  }

  // Tells the window when its text about the server changes.
  void Publish() {
    bool changed = false;
    {
      std::lock_guard guard(shared_.lock);
      std::wstring text = FormCentralStatusText(shared_.trouble, GetTickCount64(), shared_.settings.alertSeconds);
      changed = text != shared_.shownText;
      if (changed) shared_.shownText = std::move(text);
    }
    if (changed) PostMessageW(shared_.window, WM_CENTRAL_STATUS, 0, 0);
  }

  Shared& shared_;
  const StopSignal& stop_;
  CentralConnection connection_;
  std::wstring password_;
  DWORD retryMs_ = kFirstRetryMs;
};

}  // namespace

bool CentralSender::Start(HWND window, const CentralSettings& settings) {
  Stop();
  shared_ = std::make_shared<Shared>();
  shared_->window = window;
  shared_->settings = settings;
  // A card2 that cannot be had now gets the outbox with its first store.
  CreateCentralOutbox(kOutboxWaitMs);
  QueueStoredReadsFor(settings.station);
  return thread_.Start([shared = shared_](const StopSignal& stop) { SenderLoop(*shared, stop).Run(); });
}

bool CentralSender::Running() const { return thread_.Running(); }

std::wstring CentralSender::StatusText() const {
  if (!shared_) return {};
  std::lock_guard guard(shared_->lock);
  return shared_->shownText;
}
