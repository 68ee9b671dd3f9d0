// One run of the emulated reader: what arrives on the line goes through
// the frame parser, the log, the faults and the reader, and the answer
// goes back through the line writer.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "emulator/com_link.h"
#include "emulator/command_frame_parser.h"
#include "emulator/fault_injector.h"
#include "emulator/line_writer.h"
#include "emulator/pty_line.h"
#include "emulator/sam_reader.h"

class EmulatorSession {
 public:
  using Clock = LineWriter::Clock;
  // The log keeps the newest frames only.
  static constexpr std::size_t kLoggedFrames = 1000;
  // An unfinished frame is dropped after this pause on the line.
  static constexpr std::chrono::milliseconds kFramePause{500};

  EmulatorSession(const PtyLine& line, ComLink& comLink, std::uint32_t speed, bool pace);

  void OnLineBytes(std::span<const std::uint8_t> bytes, Clock::time_point now);
  // Sends due bytes and drops an unfinished frame after a pause.
  void OnTimer(Clock::time_point now);
  // Milliseconds until OnTimer has work; -1 for none.
  int MillisecondsToTimer(Clock::time_point now) const;
  bool LineBlocked() const { return writer_.Blocked(); }

  SamReader& Reader() { return reader_; }
  FaultInjector& Faults() { return faults_; }
  std::uint32_t HostSpeed() const { return line_.HostSpeed(); }

  // An unplugged reader answers nothing and its COM link points nowhere.
  int Unplug();
  int Plug();

  const std::deque<std::vector<std::uint8_t>>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }

 private:
  void Respond(const IncomingFrame& frame, Clock::time_point now);
  // The response to a frame, or nothing when the reader stays silent.
  std::optional<ReaderAnswer> AnswerFor(const IncomingFrame& frame);
  void Remember(const std::vector<std::uint8_t>& raw);

  const PtyLine& line_;
  ComLink& comLink_;
  SamReader reader_;
  FaultInjector faults_;
  LineWriter writer_;
  CommandFrameParser parser_;
  Clock::time_point lastByteAt_{};
  bool plugged_ = true;
  std::deque<std::vector<std::uint8_t>> log_;
};
