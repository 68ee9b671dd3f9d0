#include "emulator/control_requests.h"

#include <charconv>
#include <vector>

#include "emulator/card_file.h"
#include "tools/hex_text.h"

namespace {
constexpr unsigned kLargestFaultCount = 1000000;
constexpr unsigned kLongestLateMs = 60000;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  while (!(text = TrimBlanks(text)).empty()) {
    const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    words.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return words;
}

bool ParseUnsigned(std::string_view text, unsigned& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseHexByte(std::string_view text, std::uint8_t& byte) {
  const auto bytes = ParseHexBytes(text);
  if (!bytes || bytes->size() != 1) return false;
  byte = bytes->front();
  return true;
}

std::string Ok(const std::string& value = {}) { return value.empty() ? "ok" : "ok " + value; }
std::string Error(const std::string& reason) { return "error " + reason; }

std::string Lay(EmulatorSession& session, std::string_view path) {
  if (path.empty()) {
    session.Reader().Lay(BuiltInTestCard());
    return Ok();
  }
  Card card;
  std::string error;
  if (LoadCardFile(std::string(path), card, error) != kCardFileOk) return Error(error);
  session.Reader().Lay(card);
  return Ok();
}

std::string State(EmulatorSession& session) {
  switch (session.Reader().Field()) {
    case CardField::kNone: return Ok("none");
    case CardField::kPresent: return Ok("present");
    case CardField::kHalted: return Ok("halted");
  }
  return Error("unknown state");
}

std::string Fault(EmulatorSession& session, std::vector<std::string_view> words) {
  unsigned count = 0;
  if (!words.empty() && words.back().starts_with("count=")) {
    if (!ParseUnsigned(words.back().substr(6), count) || count == 0 || count > kLargestFaultCount) {
      return Error("count must be a number from 1 to 1000000");
    }
    words.pop_back();
  }
  if (words.empty()) return Error("fault needs a name");
  const std::string_view name = words.front();
  if (name == "unplug") {
    if (words.size() != 1 || count != 0) return Error("unplug takes no arguments");
    return session.Unplug() == kComLinkOk ? Ok() : Error("cannot point the COM link nowhere");
  }
  if (name == "status") {
    std::uint8_t command = 0, parameter = 0, status = 0;
    if (words.size() != 4 || !ParseHexByte(words[1], command) || !ParseHexByte(words[2], parameter) ||
        !ParseHexByte(words[3], status)) {
      return Error("status needs CMD PARA SW3 as hex bytes");
    }
    session.Faults().ArmStatus(command, parameter, status, count);
    return Ok();
  }
  if (name == "late") {
    unsigned milliseconds = 0;
    if (words.size() != 2 || !ParseUnsigned(words[1], milliseconds) || milliseconds > kLongestLateMs) {
      return Error("late needs the delay in milliseconds, at most 60000");
    }
    session.Faults().ArmLate(std::chrono::milliseconds(milliseconds), count);
    return Ok();
  }
  const auto fault = LineFaultByName(name);
  if (!fault) return Error("unknown fault '" + std::string(name) + "'");
  if (words.size() != 1) return Error(std::string(name) + " takes no arguments");
  session.Faults().Arm(*fault, count);
  return Ok();
}

std::string Reply(EmulatorSession& session, std::string_view hex) {
  auto bytes = ParseHexBytes(hex);
  if (!bytes || bytes->empty()) return Error("reply needs hex bytes");
  session.Faults().SetReply(std::move(*bytes));
  return Ok();
}

std::string SetSpeed(EmulatorSession& session, const std::vector<std::string_view>& words) {
  unsigned speed = 0;
  if (words.size() != 2 || !ParseUnsigned(words[1], speed) || TermiosSpeed(speed) == 0) {
    return Error("set-speed needs a line speed such as 115200");
  }
  session.Reader().SetSpeed(speed);
  return Ok();
}

std::string LogText(const EmulatorSession& session) {
  std::string text = "ok";
  for (const auto& frame : session.Log()) text += " " + FormatHexBytes(frame);
  return text;
}

// The text after the first word, for arguments that may hold blanks.
std::string_view Rest(std::string_view request, std::string_view firstWord) {
  const std::string_view trimmed = TrimBlanks(request);
  return TrimBlanks(trimmed.substr(firstWord.size()));
}
}  // namespace

ControlReply HandleControlRequest(EmulatorSession& session, std::string_view request) {
  const std::vector<std::string_view> words = SplitWords(request);
  if (words.empty()) return {Error("empty request")};
  const std::string_view verb = words.front();
  const bool alone = words.size() == 1;
  if (verb == "lay") return {Lay(session, Rest(request, verb))};
  if (verb == "lift" && alone) {
    session.Reader().Lift();
    return {Ok()};
  }
  if (verb == "state" && alone) return {State(session)};
  if (verb == "fault") return {Fault(session, {words.begin() + 1, words.end()})};
  if (verb == "plug" && alone) return {session.Plug() == kComLinkOk ? Ok() : Error("cannot restore the COM link")};
  if (verb == "clear-faults" && alone) {
    session.Faults().Clear();
    return {session.Plug() == kComLinkOk ? Ok() : Error("cannot restore the COM link")};
  }
  if (verb == "reply") return {Reply(session, Rest(request, verb))};
  if (verb == "speed" && alone) return {Ok(std::to_string(session.Reader().Speed()))};
  if (verb == "set-speed") return {SetSpeed(session, words)};
  if (verb == "host-speed" && alone) return {Ok(std::to_string(session.HostSpeed()))};
  if (verb == "log" && alone) return {LogText(session)};
  if (verb == "clear-log" && alone) {
    session.ClearLog();
    return {Ok()};
  }
  if (verb == "quit" && alone) return {Ok(), true};
  return {Error("unknown request '" + std::string(request.substr(0, 40)) + "'")};
}
