#include "emulator/emulator_session.h"

#include <algorithm>

EmulatorSession::EmulatorSession(const PtyLine& line, ComLink& comLink, std::uint32_t speed, bool pace)
    : line_(line), comLink_(comLink), reader_(speed), writer_(line.MasterFd(), pace) {}

void EmulatorSession::OnLineBytes(std::span<const std::uint8_t> bytes, Clock::time_point now) {
  lastByteAt_ = now;
  std::vector<IncomingFrame> frames;
  parser_.Feed(bytes, frames);
  for (const IncomingFrame& frame : frames) {
    Remember(frame.raw);
    Respond(frame, now);
  }
}

void EmulatorSession::Remember(const std::vector<std::uint8_t>& raw) {
  if (log_.size() == kLoggedFrames) log_.pop_front();
  log_.push_back(raw);
}

void EmulatorSession::Respond(const IncomingFrame& frame, Clock::time_point now) {
  if (!plugged_) return;
  // At another speed the reader would have received garbage: no answer.
  if (line_.HostSpeed() != reader_.Speed()) return;
  std::optional<ReaderAnswer> answer = AnswerFor(frame);
  if (!answer) return;
  writer_.Queue(std::move(answer->frame), reader_.Speed(), answer->speedAfter, now + faults_.TakeDelay());
  OnTimer(now);
}

std::optional<ReaderAnswer> EmulatorSession::AnswerFor(const IncomingFrame& frame) {
  if (auto reply = faults_.TakeReply()) return ReaderAnswer{std::move(*reply), {}};
  if (faults_.TakeSilence()) return std::nullopt;
  ReaderAnswer answer;
  switch (frame.kind) {
    case IncomingKind::kBadChecksum:
      answer.frame = SamReader::StatusFrame(kStatusBadChecksumReceived);
      break;
    case IncomingKind::kBadLength:
      answer.frame = SamReader::StatusFrame(kStatusBadLengthReceived);
      break;
    case IncomingKind::kCommand:
      if (const auto status = faults_.TakeStatus(frame.command, frame.parameter)) {
        answer.frame = SamReader::StatusFrame(*status);  // refused: nothing carried out
      } else {
        answer = reader_.Answer(frame);
      }
      break;
  }
  answer.frame = faults_.Garble(std::move(answer.frame));
  return answer;
}

void EmulatorSession::OnTimer(Clock::time_point now) {
  // The new speed holds from the moment the answer has left.
  if (const auto speed = writer_.Pump(now)) reader_.SetSpeed(*speed);
  if (parser_.HoldsPartialFrame() && now - lastByteAt_ >= kFramePause) parser_.DiscardPartialFrame();
}

int EmulatorSession::MillisecondsToTimer(Clock::time_point now) const {
  int wait = writer_.Blocked() ? -1 : writer_.MillisecondsToNextByte(now);
  if (parser_.HoldsPartialFrame()) {
    const auto pause = std::chrono::ceil<std::chrono::milliseconds>(lastByteAt_ + kFramePause - now).count();
    const int pauseWait = static_cast<int>(std::max<std::int64_t>(pause, 0));
    wait = wait < 0 ? pauseWait : std::min(wait, pauseWait);
  }
  return wait;
}

int EmulatorSession::Unplug() {
  plugged_ = false;
  return comLink_.Attached() ? comLink_.PointNowhere() : kComLinkOk;
}

int EmulatorSession::Plug() {
  plugged_ = true;
  return comLink_.Attached() ? comLink_.PointAtTarget() : kComLinkOk;
}
