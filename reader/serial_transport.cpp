#include "reader/serial_transport.h"

#include <atomic>
#include <cwchar>

#include "common/reader_settings.h"
#include "common/working_folders.h"

namespace {
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kConnectReadTimeoutMs = 3000;
constexpr DWORD kProbeReadTimeoutMs = 2000;
constexpr DWORD kWriteTimeoutMs = 1000;

// Read, written by the polling thread and the baud-rate dialog, never at
// the same time; atomic so that no reader ever sees a torn value.
std::atomic<std::uint32_t> g_currentLineSpeed{0};

struct QueueSizes {
  DWORD input;
  DWORD output;
};
constexpr QueueSizes kConnectQueues = {1536, 1024};
constexpr QueueSizes kProbeQueues = {2048, 1024};

// Closes a port when it goes out of scope unless released to a link.
class PortHandle {
 public:
  explicit PortHandle(HANDLE handle) : handle_(handle) {}
  ~PortHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  PortHandle(const PortHandle&) = delete;
  PortHandle& operator=(const PortHandle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HANDLE handle_;
};

HANDLE OpenPortDevice(int portNumber) {
  wchar_t name[20];
  if (std::swprintf(name, 20, L"\\\\.\\COM%d", portNumber) < 0) return nullptr;
  HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// Every line setting the reader needs, whatever another program left on
// the port (the driver keeps its settings between opens): 8N1 at the given
// speed, binary, and no flow control of any kind. XON/XOFF would take the
// bytes 0x11 and 0x13 out of the binary frames and stop the host's writes,
// a handshake line that the reader does not drive would stall them, fNull
// would drop every 0x00, and abort-on-error would fail all I/O after one
// line error until the error is cleared. DTR and RTS stay on.
void SetLineSettings(HANDLE port, std::uint32_t speed) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  GetCommState(port, &dcb);
  dcb.BaudRate = speed;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  SetCommState(port, &dcb);
}

// Reads give up after the given constant plus 1 ms a byte; writes after
// 1000 ms plus 1 ms a byte, so that a line that does not take the bytes
// ends the exchange instead of holding the polling thread for ever.
void SetTimeouts(HANDLE port, DWORD readTimeoutMs) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 0;
  timeouts.ReadTotalTimeoutMultiplier = 1;
  timeouts.ReadTotalTimeoutConstant = readTimeoutMs;
  timeouts.WriteTotalTimeoutMultiplier = 1;
  timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
  SetCommTimeouts(port, &timeouts);
}

// The port driver's own answers are not acted on: a port that refuses a
// setting shows itself in the exchange that follows.
void ConfigurePort(HANDLE port, std::uint32_t speed, QueueSizes queues, DWORD readTimeoutMs) {
  SetupComm(port, queues.input, queues.output);
  SetLineSettings(port, speed);
  SetTimeouts(port, readTimeoutMs);
  PurgeComm(port, kPurgeAll);
}

// One frame over a port of its own, for the baud-rate routines.
int ExchangeOnce(HANDLE port, const std::uint8_t* frame, std::uint32_t length) {
  ReaderLink link(kShortLinkCapacity);
  link.handle = port;
  const int result = SamExchange(link, frame, length);
  link.handle = nullptr;  // the caller owns the port
  return result;
}

bool SaveLineSpeedSetting(std::uint32_t speed) {
  wchar_t path[kPathCapacity];
  if (GetSettingsFilePath(kPathCapacity, path) == 0) return false;
  wchar_t text[16];
  std::swprintf(text, 16, L"%u", static_cast<unsigned>(speed));
  return WritePrivateProfileStringW(L"Port", L"BaudRate", text, path) != 0;
}
}  // namespace

std::uint32_t GetCurrentLineSpeed() { return g_currentLineSpeed.load(); }

void SetCurrentLineSpeed(std::uint32_t speed) { g_currentLineSpeed.store(speed); }

HANDLE OpenComPort(int portNumber, std::uint32_t speed) {
  HANDLE port = OpenPortDevice(portNumber);
  if (port != nullptr) ConfigurePort(port, speed, kConnectQueues, kConnectReadTimeoutMs);
  return port;
}

int ConnectSerial(ReaderLink& link, int portNumber) {
  if (GetCurrentLineSpeed() == 0) SetCurrentLineSpeed(static_cast<std::uint32_t>(GetBaudRate()));
  const int first = portNumber == 0 ? 1 : portNumber;
  const int last = portNumber == 0 ? kScannedPortCount : portNumber;
  for (int port = first; port <= last; ++port) {
    link.handle = OpenComPort(port, GetCurrentLineSpeed());
    if (link.handle == nullptr) continue;
    link.port = port;  // a serial link from here on, also for closing it
    if (SamExchange(link, samv::kStatusCheckFrame.data(), samv::kStatusCheckFrame.size()) == kStatusSuccess) {
      return kStatusSuccess;
    }
    CloseReaderLink(link);
  }
  return kLinkPortUnusable;
}

int ProbeBaudRate(int portNumber, std::uint32_t& speed) {
  speed = 0;
  int result = kLinkShortTransfer;
  for (const std::uint32_t candidate : samv::kSupportedSpeeds) {
    PortHandle port(OpenPortDevice(portNumber));
    if (port.get() == nullptr) return kLinkPortUnusable;
    ConfigurePort(port.get(), candidate, kProbeQueues, kProbeReadTimeoutMs);
    result = ExchangeOnce(port.get(), samv::kStatusCheckFrame.data(), samv::kStatusCheckFrame.size());
    if (result == kStatusSuccess) {
      speed = candidate;
      return kStatusSuccess;
    }
  }
  return result;
}

int SetReaderBaudRate(int portNumber, std::uint32_t currentSpeed, std::uint32_t newSpeed) {
  PortHandle port(OpenComPort(portNumber, currentSpeed));
  if (port.get() == nullptr) return kLinkPortUnusable;
  const std::uint8_t code = samv::BaudCodeForSpeed(newSpeed);
  const auto frame = samv::BuildCommandFrame(samv::kCmdSetBaud, code);
  const int result = ExchangeOnce(port.get(), frame.data(), static_cast<std::uint32_t>(frame.size()));
  if (result != kStatusSuccess) return result;
  // An unlisted speed was sent as the code of the slowest one; the reader
  // now runs at that speed, not at the one asked for.
  const std::uint32_t speedSet = samv::SpeedForBaudCode(code);
  SetCurrentLineSpeed(speedSet);
  SaveLineSpeedSetting(speedSet);
  return kStatusSuccess;
}
