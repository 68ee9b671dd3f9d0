#include "tools/readerctl_commands.h"

#include "card/photo.h"
#include "common/reader_settings.h"
#include "reader/reader_commands.h"
#include "reader/serial_transport.h"
#include "reader/usb_transport.h"
#include "tools/console.h"
#include "tools/hex_text.h"
#include "tools/card_json.h"
#include "tools/json_line.h"

namespace {
// A well-formed response, whatever its status, is a finished exchange.
bool IsLinkFailure(int result) {
  return result == kLinkPortUnusable || result == kLinkShortTransfer || result == kLinkBadChecksum ||
         result == kLinkLengthOutOfBounds;
}

// "ok" tells a script whether the command did its job; "text" is the
// status text a window would show, which has no entry for success.
JsonLine ResultLine(const char* command, int port, int result, bool ok) {
  JsonLine line;
  line.Add("command", command).Add("port", port).Add("result", result).Add("text", StatusText(result));
  line.AddFlag("ok", ok);
  return line;
}

JsonLine ResultLine(const char* command, int port, int result) {
  return ResultLine(command, port, result, result == kStatusSuccess);
}

// Opens the port for one exchange: the USB reader, or the serial port at
// the current line speed.
HANDLE OpenPortForExchange(ReaderLink& link, int port) {
  if (port >= kUsbPortBase) {
    link.port = kUsbLinkPort;
    return OpenUsbReader();
  }
  if (GetCurrentLineSpeed() == 0) SetCurrentLineSpeed(static_cast<std::uint32_t>(GetBaudRate()));
  link.port = port;
  return OpenComPort(port, GetCurrentLineSpeed());
}

void AddPhotoPaths(JsonLine& line) {
  wchar_t path[kPathCapacity];
  FormSaveFolderPath(path, kPathCapacity, L"image.wlt");
  line.Add("photo", path);
  FormSaveFolderPath(path, kPathCapacity, L"image.bmp");
  line.Add("bitmap", path);
}

// Card reading results of 0 and below come from the photo decoder.
const wchar_t* ReadResultText(int result) { return result <= 0 ? PhotoStatusText(result) : StatusText(result); }

int ReadCardOnce(ReaderLink& link, int port, bool withNewAddress, CardInfo& card) {
  int result = ConnectReader(link, port);
  if (result != kStatusSuccess) return result;
  result = FindCard(link);
  if (result != kStatusCardFound) return result;
  result = ReadCard(link, card);
  if (result == kStatusSuccess && withNewAddress) result = ReadNewAddress(link, card);
  return result;
}

int ExitCodeFor(bool ok) { return ok ? 0 : 1; }
}  // namespace

int RunStatus(int port) {
  ReaderLink link(kPollingLinkCapacity);
  const int result = ConnectReader(link, port);
  JsonLine line = ResultLine("status", port, result);
  line.Add("connectedPort", link.port).Add("speed", GetCurrentLineSpeed());
  WriteOutputLine(line.Text());
  return ExitCodeFor(result == kStatusSuccess);
}

int RunProbe(int port) {
  std::uint32_t speed = 0;
  const int result = ProbeBaudRate(port, speed);
  WriteOutputLine(ResultLine("probe", port, result).Add("speed", speed).Text());
  return ExitCodeFor(result == kStatusSuccess);
}

int RunSetBaud(int port, std::uint32_t currentSpeed, std::uint32_t newSpeed) {
  const int result = SetReaderBaudRate(port, currentSpeed, newSpeed);
  WriteOutputLine(ResultLine("setbaud", port, result).Add("speed", newSpeed).Add("currentSpeed", currentSpeed).Text());
  return ExitCodeFor(result == kStatusSuccess);
}

int RunSend(int port, const std::vector<std::uint8_t>& frame, std::uint32_t capacity) {
  ReaderLink link(capacity);
  link.handle = OpenPortForExchange(link, port);
  const int result = link.handle == nullptr
                         ? kLinkPortUnusable
                         : ExchangeOverLink(link, frame.data(), static_cast<std::uint32_t>(frame.size()));
  const bool ok = !IsLinkFailure(result);
  JsonLine line = ResultLine("send", port, result, ok);
  line.Add("speed", GetCurrentLineSpeed()).Add("payloadLength", link.payloadLength);
  line.Add("payload", FormatHexBytes({link.payload, static_cast<std::size_t>(link.payloadLength)}));
  WriteOutputLine(line.Text());
  return ExitCodeFor(ok);
}

int RunRead(int port, bool withNewAddress) {
  ReaderLink link(kPollingLinkCapacity);
  CardInfo card{};
  const int result = ReadCardOnce(link, port, withNewAddress, card);
  JsonLine line;
  line.Add("command", "read").Add("port", port).Add("result", result).Add("text", ReadResultText(result));
  line.AddFlag("ok", result == kStatusSuccess);
  AddCardFields(line, card);
  AddPhotoPaths(line);
  WriteOutputLine(line.Text());
  return ExitCodeFor(result == kStatusSuccess);
}
