#include "emulator/fault_injector.h"

#include <algorithm>
#include <utility>

#include "reader/sam_frame.h"

namespace {
constexpr std::uint16_t kTooLongResponseBody = 1290;
}  // namespace

std::optional<LineFault> LineFaultByName(std::string_view name) {
  static constexpr std::pair<std::string_view, LineFault> kNames[] = {
      {"silence", LineFault::kSilence},         {"preamble", LineFault::kPreamble},
      {"checksum", LineFault::kChecksum},       {"length-short", LineFault::kLengthShort},
      {"length-long", LineFault::kLengthLong},  {"truncate", LineFault::kTruncate},
  };
  for (const auto& [text, fault] : kNames) {
    if (text == name) return fault;
  }
  return std::nullopt;
}

void FaultInjector::Arm(LineFault fault, unsigned count) {
  line_[static_cast<std::size_t>(fault)] = {true, count};
}

void FaultInjector::ArmStatus(std::uint8_t command, std::uint8_t parameter, std::uint8_t status, unsigned count) {
  std::erase_if(statuses_, [&](const StatusFault& f) { return f.command == command && f.parameter == parameter; });
  statuses_.push_back({command, parameter, status, {true, count}});
}

void FaultInjector::ArmLate(std::chrono::milliseconds delay, unsigned count) {
  late_ = {true, count};
  lateDelay_ = delay;
}

void FaultInjector::Clear() {
  line_ = {};
  late_ = {};
  statuses_.clear();
  reply_.reset();
}

bool FaultInjector::Take(Armed& armed) {
  if (!armed.active) return false;
  if (armed.remaining > 0 && --armed.remaining == 0) armed.active = false;
  return true;
}

std::optional<std::vector<std::uint8_t>> FaultInjector::TakeReply() {
  return std::exchange(reply_, std::nullopt);
}

bool FaultInjector::TakeSilence() { return Take(LineFault::kSilence); }

std::chrono::milliseconds FaultInjector::TakeDelay() {
  return Take(late_) ? lateDelay_ : std::chrono::milliseconds{0};
}

std::optional<std::uint8_t> FaultInjector::TakeStatus(std::uint8_t command, std::uint8_t parameter) {
  for (auto it = statuses_.begin(); it != statuses_.end(); ++it) {
    if (it->command != command || it->parameter != parameter) continue;
    const std::uint8_t status = it->status;
    Take(it->armed);
    if (!it->armed.active) statuses_.erase(it);
    return status;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> FaultInjector::Garble(std::vector<std::uint8_t> frame) {
  if (frame.size() < kFrameHeadLength) return frame;
  if (Take(LineFault::kChecksum)) frame.back() ^= 0x01;
  if (Take(LineFault::kPreamble)) frame[0] = 0x55;
  if (Take(LineFault::kLengthLong)) {
    frame[5] = static_cast<std::uint8_t>(kTooLongResponseBody >> 8);
    frame[6] = static_cast<std::uint8_t>(kTooLongResponseBody & 0xFF);
  }
  if (Take(LineFault::kLengthShort)) {
    frame.resize(kFrameHeadLength);
    frame[5] = 0x00;
    frame[6] = 0x03;
  }
  if (Take(LineFault::kTruncate)) frame.resize(frame.size() / 2);
  return frame;
}
