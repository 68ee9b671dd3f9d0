#include "central/stoppable_thread.h"

StopSignal::StopSignal() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

StopSignal::~StopSignal() {
  if (event_ != nullptr) CloseHandle(event_);
}

bool StopSignal::Wait(DWORD ms) const {
  if (!Asked()) WaitForSingleObject(event_, ms);
  return Asked();
}

bool StopSignal::WaitOr(HANDLE event, DWORD ms) const {
  const HANDLE events[] = {event_, event};
  if (!Asked()) WaitForMultipleObjects(event != nullptr ? 2 : 1, events, FALSE, ms);
  return Asked();
}

void StopSignal::Ask() {
  asked_.store(true);
  SetEvent(event_);
}

DWORD WINAPI StoppableThread::Run(LPVOID parameter) {
  // The thread owns a reference of its own: the program may stop waiting
  // for it while it is held in a network call.
  std::unique_ptr<std::shared_ptr<Job>> handed(static_cast<std::shared_ptr<Job>*>(parameter));
  const std::shared_ptr<Job> job = *handed;
  handed.reset();
  job->work(job->stop);
  return 0;
}

bool StoppableThread::Start(Work work) {
  Stop();
  job_ = std::make_shared<Job>();
  job_->work = std::move(work);
  if (!job_->stop.Usable()) return false;
  auto* handed = new std::shared_ptr<Job>(job_);
  thread_ = CreateThread(nullptr, 0, Run, handed, 0, nullptr);
  if (thread_ == nullptr) delete handed;
  return thread_ != nullptr;
}

void StoppableThread::AskToStop() {
  if (thread_ != nullptr) job_->stop.Ask();
}

void StoppableThread::Stop(DWORD waitMs) {
  if (thread_ == nullptr) return;
  job_->stop.Ask();
  WaitForSingleObject(thread_, waitMs);
  CloseHandle(thread_);
  thread_ = nullptr;
}

bool StoppableThread::Running() const {
  return thread_ != nullptr && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT;
}
