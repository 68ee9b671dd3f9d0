// The pull of the central blacklist: a thread of the reader program that,
// every PullSeconds, asks the server for the changes of its list since the
// last one this counter has and writes them into the counter's own table,
// which the alarm reads. The first pull copies the whole list. A counter
// cut off from the server keeps the list it had.
#pragma once

#include <windows.h>

#include "central/central_settings.h"
#include "central/stoppable_thread.h"

class BlacklistPull {
 public:
  // Starts the thread; false when it could not be started.
  bool Start(const CentralSettings& settings);
  void Stop(DWORD waitMs = StoppableThread::kStopWaitMs) { thread_.Stop(waitMs); }
  void AskToStop() { thread_.AskToStop(); }
  bool Running() const { return thread_.Running(); }

 private:
  StoppableThread thread_;
};
