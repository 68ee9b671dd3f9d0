// The serial link against the reader emulator on a real pseudo-terminal,
// seen by the program as a COM port of the Wine prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "reader/reader_commands.h"
#include "reader/serial_transport.h"
#include "support/app_data_folder.h"
#include "support/emulator_control.h"
#include "support/temp_folder.h"
#include "tools/hex_text.h"

namespace {
constexpr int kNoSuchPort = 9;  // a link to nowhere in the test prefix

class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Connected()) << "run under tests/support/with-emulator";
    port_ = EmulatorComPort();
    emulator_.Request("plug");
    emulator_.Request("clear-faults");
    emulator_.Request("set-speed 115200");
    emulator_.Request("lift");
    emulator_.Request("clear-log");
    SetCurrentLineSpeed(115200);
  }

  // One exchange over a freshly opened port, as the diagnostics tool does.
  int Exchange(ReaderLink& link, const std::vector<std::uint8_t>& frame) {
    link.handle = OpenComPort(port_, GetCurrentLineSpeed());
    if (link.handle == nullptr) return -1;
    const int result = SamExchange(link, frame.data(), static_cast<std::uint32_t>(frame.size()));
    CloseReaderLink(link);
    return result;
  }

  int ExchangeStatusCheck(ReaderLink& link) {
    return Exchange(link, {samv::kStatusCheckFrame.begin(), samv::kStatusCheckFrame.end()});
  }

  // The next response is exactly these bytes.
  int ExchangeWithReply(const std::string& replyHex, std::uint32_t capacity, std::int32_t& payloadLength) {
    EXPECT_EQ(emulator_.Request("reply " + replyHex).rfind("ok", 0), 0u);
    ReaderLink link(capacity);
    const int result = ExchangeStatusCheck(link);
    payloadLength = link.payloadLength;
    return result;
  }

  EmulatorControl emulator_;
  int port_ = 0;
};

TEST_F(SerialLinkTest, StatusCheckGetsTheWholeResponseFrame) {
  ReaderLink link(kPollingLinkCapacity);
  ASSERT_EQ(ExchangeStatusCheck(link), kStatusSuccess);
  EXPECT_EQ(link.payloadLength, 0);
  EXPECT_EQ(FormatHexBytes({link.buffer, 11}), "AA AA AA 96 69 00 04 00 00 90 94");
  EXPECT_EQ(emulator_.Value("log"), "AA AA AA 96 69 00 03 11 FF ED");
  EXPECT_EQ(emulator_.Value("host-speed"), "115200");
}

TEST_F(SerialLinkTest, ResponseChecksDecideTheResult) {
  struct Case {
    const char* reply;
    std::uint32_t capacity;
    int result;
    std::int32_t payloadLength;
  };
  const Case cases[] = {
      {"AA AA AA 96 69 00 04 00 00 90 94", kPollingLinkCapacity, kStatusSuccess, 0},
      {"AA AA AA 96 69 00 04 00 00 90 95", kPollingLinkCapacity, kLinkBadChecksum, 0},
      {"AA AA AA 96 69 00 03 00 00 90 93", kPollingLinkCapacity, kLinkLengthOutOfBounds, 0},
      {"AA AA AA 96 69 00 05 00 00 90 11 84", kShortLinkCapacity, kStatusSuccess, 1},
      {"AA AA AA 96 69 00 06 00 00 90 11 22 A5", kShortLinkCapacity, kLinkLengthOutOfBounds, 0},
      {"AA AA AA 96 69 00 04 00 00 41 45", kShortLinkCapacity, 0x41, 0},
      {"AB AA AA 96 69 00 04 00 00 90 94", kShortLinkCapacity, kLinkShortTransfer, 0},
      {"AA AB AA 96 69 00 04 00 00 90 94", kShortLinkCapacity, kLinkShortTransfer, 0},
      {"AA AA AB 96 69 00 04 00 00 90 94", kShortLinkCapacity, kLinkShortTransfer, 0},
      {"AA AA AA 97 69 00 04 00 00 90 94", kShortLinkCapacity, kLinkShortTransfer, 0},
      {"AA AA AA 96 68 00 04 00 00 90 94", kShortLinkCapacity, kLinkShortTransfer, 0},
      {"AA AA AA 96 69 00 05 00 00 90", kPollingLinkCapacity, kLinkShortTransfer, 0},
  };
  for (const auto& c : cases) {
    std::int32_t payloadLength = -1;
    EXPECT_EQ(ExchangeWithReply(c.reply, c.capacity, payloadLength), c.result) << c.reply;
    EXPECT_EQ(payloadLength, c.payloadLength) << c.reply;
  }
}

TEST_F(SerialLinkTest, FailedExchangeClearsTheLastPayloadLength) {
  ReaderLink link(kPollingLinkCapacity);
  emulator_.Request("reply AA AA AA 96 69 00 06 00 00 90 11 22 A5");
  ASSERT_EQ(ExchangeStatusCheck(link), kStatusSuccess);
  ASSERT_EQ(link.payloadLength, 2);
  emulator_.Request("fault checksum count=1");
  EXPECT_EQ(ExchangeStatusCheck(link), kLinkBadChecksum);
  EXPECT_EQ(link.payloadLength, 0);
}

TEST_F(SerialLinkTest, SilentOrTruncatingReaderIsAShortTransfer) {
  ReaderLink link(kPollingLinkCapacity);
  emulator_.Request("fault truncate count=1");
  EXPECT_EQ(ExchangeStatusCheck(link), kLinkShortTransfer);
  emulator_.Request("fault silence count=1");
  EXPECT_EQ(ExchangeStatusCheck(link), kLinkShortTransfer);  // after the 3 s read time-out
  EXPECT_EQ(ExchangeStatusCheck(link), kStatusSuccess);
}

TEST_F(SerialLinkTest, BytesBeyondTheResponseAreDropped) {
  ReaderLink link(kPollingLinkCapacity);
  emulator_.Request("reply AA AA AA 96 69 00 04 00 00 90 94 AA AA AA 96 69 00 04 00 00 41 45");
  link.handle = OpenComPort(port_, GetCurrentLineSpeed());
  ASSERT_NE(link.handle, nullptr);
  EXPECT_EQ(SamExchange(link, samv::kStatusCheckFrame.data(), samv::kStatusCheckFrame.size()), kStatusSuccess);
  EXPECT_EQ(SamExchange(link, samv::kStatusCheckFrame.data(), samv::kStatusCheckFrame.size()), kStatusSuccess);
}

TEST_F(SerialLinkTest, AnAnswerAfterTheTimeOutIsNotTakenForTheNextCommands) {
  ReaderLink link(kPollingLinkCapacity);
  link.handle = OpenComPort(port_, GetCurrentLineSpeed());
  ASSERT_NE(link.handle, nullptr);
  // The status check is answered after the host's 3 s read time-out.
  emulator_.Request("fault late 3500 count=1");
  EXPECT_EQ(SamExchange(link, samv::kStatusCheckFrame.data(), samv::kStatusCheckFrame.size()), kLinkShortTransfer);
  Sleep(1000);  // by now the late answer (0x90) waits in the receive queue
  const auto findCard = samv::BuildCommandFrame(samv::kCmdCard, samv::kParaFindCard);
  EXPECT_EQ(SamExchange(link, findCard.data(), static_cast<std::uint32_t>(findCard.size())), kStatusNoCard);
  CloseReaderLink(link);
}

TEST_F(SerialLinkTest, ConnectFindsTheReaderOnItsPortOrByScanning) {
  ReaderLink link(kPollingLinkCapacity);
  ASSERT_EQ(ConnectSerial(link, port_), kStatusSuccess);
  EXPECT_NE(link.handle, nullptr);
  EXPECT_EQ(link.port, port_);
  CloseReaderLink(link);

  ReaderLink scanned(kPollingLinkCapacity);
  ASSERT_EQ(ConnectSerial(scanned, 0), kStatusSuccess);
  EXPECT_EQ(scanned.port, port_);
}

TEST_F(SerialLinkTest, ConnectFailsWithoutAnAnsweringReader) {
  ReaderLink link(kPollingLinkCapacity);
  emulator_.Request("fault status 11 FF 60");
  EXPECT_EQ(ConnectSerial(link, port_), kLinkPortUnusable);
  EXPECT_EQ(link.handle, nullptr);
  emulator_.Request("clear-faults");

  emulator_.Request("fault unplug");
  EXPECT_EQ(ConnectSerial(link, 0), kLinkPortUnusable);
  EXPECT_EQ(link.handle, nullptr);
  EXPECT_EQ(ConnectSerial(link, port_), kLinkPortUnusable);
}

TEST_F(SerialLinkTest, ProbeFindsTheReadersSpeed) {
  emulator_.Request("set-speed 19200");
  std::uint32_t speed = 1;
  EXPECT_EQ(ProbeBaudRate(port_, speed), kStatusSuccess);
  EXPECT_EQ(speed, 19200u);
  EXPECT_EQ(GetCurrentLineSpeed(), 115200u);  // the probe leaves the current speed alone

  speed = 1;
  EXPECT_EQ(ProbeBaudRate(kNoSuchPort, speed), kLinkPortUnusable);
  EXPECT_EQ(speed, 0u);
}

// What another program may leave on a port, which the driver keeps for
// the next program that opens it: XON/XOFF both ways, the CTS and DSR
// handshakes with RTS and DTR driven by them, text mode, NUL stripping and
// abort on error. False when the port would not take them.
bool LeaveFlowControlOn(int portNumber) {
  const std::wstring name = L"\\\\.\\COM" + std::to_wstring(portNumber);
  HANDLE port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  bool set = GetCommState(port, &dcb) != 0;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  dcb.fOutxDsrFlow = TRUE;
  dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  dcb.fDsrSensitivity = TRUE;
  dcb.fBinary = FALSE;
  dcb.fNull = TRUE;
  dcb.fAbortOnError = TRUE;
  set = set && SetCommState(port, &dcb) != 0;
  CloseHandle(port);
  return set;
}

TEST_F(SerialLinkTest, FlowControlLeftOnThePortIsSwitchedOffSoThatEveryByteOfACardArrives) {
  ScopedTempFolder photoFolder;
  ASSERT_EQ(SetSavePath(photoFolder.Path().c_str()), 1);
  ASSERT_TRUE(LeaveFlowControlOn(port_));
  // The card's text holds 0x11 and 0x13, which XON/XOFF would take out
  // of the frame, and the frames carry 0x00, which NUL stripping would.
  emulator_.Request("lay " CONTROL_BYTES_CARD);
  ReaderLink link(kPollingLinkCapacity);
  ASSERT_EQ(ConnectSerial(link, port_), kStatusSuccess);

  // Wine keeps only some of these settings on a pseudo-terminal; every
  // one of them reads back as the reader needs it.
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  ASSERT_TRUE(GetCommState(link.handle, &dcb));
  EXPECT_TRUE(dcb.fBinary);
  EXPECT_FALSE(dcb.fOutX) << "XON/XOFF on sending";
  EXPECT_FALSE(dcb.fInX) << "XON/XOFF on receiving";
  EXPECT_FALSE(dcb.fOutxCtsFlow) << "CTS handshake";
  EXPECT_FALSE(dcb.fOutxDsrFlow) << "DSR handshake";
  EXPECT_FALSE(dcb.fDsrSensitivity);
  EXPECT_EQ(static_cast<DWORD>(dcb.fRtsControl), static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_EQ(static_cast<DWORD>(dcb.fDtrControl), static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_FALSE(dcb.fNull);
  EXPECT_FALSE(dcb.fAbortOnError);

  ASSERT_EQ(FindCard(link), kStatusCardFound);
  CardInfo card{};
  ASSERT_EQ(ReadCard(link, card), kStatusSuccess);
  EXPECT_STREQ(card.name, L"丑红专");
  EXPECT_STREQ(card.address, L"南湖省青石市丑山县专桥镇溪口村7组");
  EXPECT_STREQ(card.idNumber, L"990521198001010038");
}

class SerialBaudRateTest : public SerialLinkTest {
 protected:
  void SetUp() override {
    SerialLinkTest::SetUp();
    wchar_t folder[kPathCapacity];
    ASSERT_GT(GetSettingsFolder(kPathCapacity, folder), 0);
    ASSERT_TRUE(CreatePathFolders(folder));
    ASSERT_GT(GetSettingsFilePath(kPathCapacity, settingsFile_), 0);
  }

  std::wstring SavedBaudRate() {
    wchar_t text[32];
    GetPrivateProfileStringW(L"Port", L"BaudRate", L"absent", text, 32, settingsFile_);
    return text;
  }

  ScopedAppDataFolder appData_;
  wchar_t settingsFile_[kPathCapacity] = {};
};

TEST_F(SerialBaudRateTest, NewSpeedIsTakenSavedAndUsedByTheNextConnect) {
  ASSERT_EQ(SetReaderBaudRate(port_, 115200, 57600), kStatusSuccess);
  EXPECT_EQ(GetCurrentLineSpeed(), 57600u);
  EXPECT_EQ(SavedBaudRate(), L"57600");
  EXPECT_EQ(emulator_.Value("speed"), "57600");

  ReaderLink link(kPollingLinkCapacity);
  EXPECT_EQ(ConnectSerial(link, port_), kStatusSuccess);
  EXPECT_EQ(emulator_.Value("host-speed"), "57600");
}

TEST_F(SerialBaudRateTest, UnsupportedSpeedSendsTheSlowestCodeAndKeepsThatSpeed) {
  ASSERT_EQ(SetReaderBaudRate(port_, 115200, 4800), kStatusSuccess);
  EXPECT_EQ(emulator_.Value("log"), "AA AA AA 96 69 00 03 60 04 67");
  EXPECT_EQ(GetCurrentLineSpeed(), 9600u);
  EXPECT_EQ(SavedBaudRate(), L"9600");
}

TEST_F(SerialBaudRateTest, RefusedSpeedChangesNothing) {
  emulator_.Request("fault status 60 01 21");
  EXPECT_EQ(SetReaderBaudRate(port_, 115200, 57600), 0x21);
  EXPECT_EQ(GetCurrentLineSpeed(), 115200u);
  EXPECT_EQ(SavedBaudRate(), L"absent");
  EXPECT_EQ(SetReaderBaudRate(kNoSuchPort, 115200, 57600), kLinkPortUnusable);
}

TEST(StatusText, FixedTextsAndTheFallback) {
  EXPECT_STREQ(StatusText(0x01), L"端口打开失败");
  EXPECT_STREQ(StatusText(0x60), L"SAM_V自检失败，不能接收命令");
  EXPECT_STREQ(StatusText(0x66), L"SAM_V没经过授权,无法使用");
  EXPECT_STREQ(StatusText(247), L"保存记录失败");
  EXPECT_STREQ(StatusText(0x90), L"未知错误");
  EXPECT_STREQ(StatusText(-1), L"未知错误");
}
}  // namespace
