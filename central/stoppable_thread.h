// A worker thread of central records that the program asks to stop and
// waits for only a bounded time: a thread still held in a network call by
// then holds no card2 transaction, and ends with the process. What the
// work uses must be owned by the work itself (it may outlive the owner).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

// What the work looks at to know it is to end.
class StopSignal {
 public:
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  bool Asked() const { return asked_.load(); }
  // Waits up to ms, or until the stop is asked: true when it was.
  bool Wait(DWORD ms) const;
  // Waits up to ms for either the stop or event: true when the stop was asked.
  bool WaitOr(HANDLE event, DWORD ms) const;
  void Ask();
  bool Usable() const { return event_ != nullptr; }

 private:
  HANDLE event_;
  std::atomic<bool> asked_{false};
};

class StoppableThread {
 public:
  StoppableThread() = default;
  ~StoppableThread() { Stop(); }
  StoppableThread(const StoppableThread&) = delete;
  StoppableThread& operator=(const StoppableThread&) = delete;

  using Work = std::function<void(const StopSignal& stop)>;
  // Runs work on a new thread; false when it could not be started.
  bool Start(Work work);
  // Asks the work to end without waiting, so that several threads can be
  // asked at once and then waited for.
  void AskToStop();
  // Asks the work to end and waits for it at most waitMs.
  void Stop(DWORD waitMs = kStopWaitMs);
  bool Running() const;

  // Closing the program waits this long for all of them together.
  inline static constexpr DWORD kStopWaitMs = 1500;

 private:
  struct Job {
    Work work;
    StopSignal stop;
  };
  static DWORD WINAPI Run(LPVOID parameter);

  std::shared_ptr<Job> job_;
  HANDLE thread_ = nullptr;
};
