#include "emulator/line_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {
constexpr std::uint64_t kBitsPerByte = 10;
constexpr std::uint64_t kNanosecondsPerSecond = 1000000000;
}  // namespace

void LineWriter::Queue(std::vector<std::uint8_t> bytes, std::uint32_t speed, std::optional<std::uint32_t> speedAfter,
                       Clock::time_point notBefore) {
  queue_.push_back({std::move(bytes), 0, speed, speedAfter, std::nullopt, notBefore});
}

std::size_t LineWriter::BytesDue(const Response& response, Clock::time_point now) const {
  if (!pace_ || response.speed == 0) return response.bytes.size();
  const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - *response.started).count();
  const std::uint64_t sentByNow = static_cast<std::uint64_t>(std::max<std::int64_t>(elapsed, 0)) * response.speed /
                                  (kBitsPerByte * kNanosecondsPerSecond);
  // The first byte leaves at once; each further one a byte time later.
  return static_cast<std::size_t>(std::min<std::uint64_t>(sentByNow + 1, response.bytes.size()));
}

std::optional<std::uint32_t> LineWriter::Pump(Clock::time_point now) {
  std::optional<std::uint32_t> speedChange;
  blocked_ = false;
  while (!queue_.empty()) {
    Response& head = queue_.front();
    if (now < head.notBefore) break;
    if (!head.started) head.started = now;
    const std::size_t due = BytesDue(head, now);
    if (head.sent < due) {
      const ssize_t written = ::write(fd_, head.bytes.data() + head.sent, due - head.sent);
      if (written < 0) {
        blocked_ = errno == EAGAIN || errno == EWOULDBLOCK;
        if (!blocked_ && errno != EINTR) queue_.pop_front();  // the line is gone; drop the response
        break;
      }
      head.sent += static_cast<std::size_t>(written);
    }
    if (head.sent < head.bytes.size()) break;
    if (head.speedAfter) speedChange = head.speedAfter;
    queue_.pop_front();
  }
  return speedChange;
}

int LineWriter::MillisecondsToNextByte(Clock::time_point now) const {
  if (queue_.empty()) return -1;
  const Response& head = queue_.front();
  if (now < head.notBefore) {
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(head.notBefore - now).count());
  }
  if (!pace_ || !head.started || head.speed == 0) return 0;
  const std::uint64_t nextByteAt = head.sent * kBitsPerByte * kNanosecondsPerSecond / head.speed;
  const auto dueAt = *head.started + std::chrono::nanoseconds(nextByteAt);
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(dueAt - now).count();
  return static_cast<int>(std::max<std::int64_t>(wait, 0));
}
