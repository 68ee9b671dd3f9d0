// Sends responses to the host, at once or paced at the line rate.
//
// Paced bytes leave one at a time as a UART would send them: ten bits per
// byte (start, eight data, stop) at the speed the response was sent at.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

class LineWriter {
 public:
  using Clock = std::chrono::steady_clock;

  LineWriter(int fd, bool pace) : fd_(fd), pace_(pace) {}

  // Queues a response sent at speed, not before notBefore; speedAfter, when
  // given, is handed back by Pump once the last byte has gone.
  void Queue(std::vector<std::uint8_t> bytes, std::uint32_t speed, std::optional<std::uint32_t> speedAfter,
             Clock::time_point notBefore);

  // Writes what is due by now. Returns the speed change of a response that
  // was completed, if any.
  std::optional<std::uint32_t> Pump(Clock::time_point now);

  bool Idle() const { return queue_.empty(); }
  // True when the descriptor was full and writing must wait for POLLOUT.
  bool Blocked() const { return blocked_; }
  // Milliseconds until the next paced byte is due; -1 when nothing waits.
  int MillisecondsToNextByte(Clock::time_point now) const;

 private:
  struct Response {
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
    std::uint32_t speed = 0;
    std::optional<std::uint32_t> speedAfter;
    std::optional<Clock::time_point> started;
    Clock::time_point notBefore;
  };
  std::size_t BytesDue(const Response& response, Clock::time_point now) const;

  int fd_;
  bool pace_;
  bool blocked_ = false;
  std::deque<Response> queue_;
};
