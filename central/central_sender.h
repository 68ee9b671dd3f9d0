// The sender of central records: a thread of the reader program that
// forwards the outbox to the server in batches, oldest first, and deletes
// a batch from the outbox only after the server committed it. It never
// holds a card2 transaction across a network call and never waits for the
// polling loop, nor the loop for it. While the server cannot be had it
// tries again with growing waits; the reads keep queueing in card2.
#pragma once

#include <windows.h>

#include <memory>

#include "central/central_settings.h"
#include "central/stoppable_thread.h"

// Posted to the window whenever the text of CentralStatusText changes.
inline constexpr UINT WM_CENTRAL_STATUS = WM_APP + 2;
// Reads sent in one transaction at most.
inline constexpr int kSendBatchSize = 500;

class CentralSender {
 public:
  // Makes the outbox when card2 lacks it, queues every read stored from now
  // on, and starts the thread, which posts WM_CENTRAL_STATUS to window.
  // False when the thread could not be started (reads still queue).
  bool Start(HWND window, const CentralSettings& settings);
  // Asks the thread to end and waits for it a moment (StoppableThread).
  void Stop(DWORD waitMs = StoppableThread::kStopWaitMs) { thread_.Stop(waitMs); }
  void AskToStop() { thread_.AskToStop(); }
  bool Running() const;
  // The status line's text about the server, or an empty text while there
  // is nothing to say (sending works, or the server has not been out of
  // reach for long).
  std::wstring StatusText() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  StoppableThread thread_;
};
