// Faults of the emulated reader, set on demand by tests. Each fault lasts
// until cleared or, when armed with a count, for that many responses.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

enum class LineFault {
  kSilence,      // answer nothing
  kPreamble,     // first preamble byte wrong
  kChecksum,     // checksum byte wrong
  kLengthShort,  // only a head with L = 3
  kLengthLong,   // L = 1290, one more than the host's largest link holds
  kTruncate,     // only the first half of the response
};

// The fault named on the control channel, if the name is one.
std::optional<LineFault> LineFaultByName(std::string_view name);

class FaultInjector {
 public:
  // count 0 keeps the fault until Clear.
  void Arm(LineFault fault, unsigned count);
  // Answers this command with the status instead of carrying it out.
  void ArmStatus(std::uint8_t command, std::uint8_t parameter, std::uint8_t status, unsigned count);
  // Responses leave this long after their command.
  void ArmLate(std::chrono::milliseconds delay, unsigned count);
  // The next response is exactly these bytes.
  void SetReply(std::vector<std::uint8_t> bytes) { reply_ = std::move(bytes); }
  void Clear();

  // Each Take uses up one response of a counted fault.
  std::optional<std::vector<std::uint8_t>> TakeReply();
  bool TakeSilence();
  // How long the next response waits: zero unless a late fault is armed.
  std::chrono::milliseconds TakeDelay();
  std::optional<std::uint8_t> TakeStatus(std::uint8_t command, std::uint8_t parameter);
  // Applies the armed byte faults to a response frame.
  std::vector<std::uint8_t> Garble(std::vector<std::uint8_t> frame);

 private:
  struct Armed {
    bool active = false;
    unsigned remaining = 0;  // 0: until cleared
  };
  struct StatusFault {
    std::uint8_t command;
    std::uint8_t parameter;
    std::uint8_t status;
    Armed armed;
  };
  static bool Take(Armed& armed);
  bool Take(LineFault fault) { return Take(line_[static_cast<std::size_t>(fault)]); }

  std::array<Armed, 6> line_{};
  std::vector<StatusFault> statuses_;
  Armed late_;
  std::chrono::milliseconds lateDelay_{0};
  std::optional<std::vector<std::uint8_t>> reply_;
};
