// The USB transport over a stand-in for the reader's driver, and the
// platform's bounded control call.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

#include "fake_usb_device.h"
#include "reader/usb_transport.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes StatusResponse(std::uint8_t sw3) { return samv::BuildResponseFrame(0x00, 0x00, sw3); }

class UsbTransportTest : public ::testing::Test {
 protected:
  void AddReader(const std::wstring& path, bool opens = true, const std::wstring& setupClass = kFakeReaderClass) {
    devices_.devices.push_back({path, setupClass, opens});
  }

  FakeUsbDevices devices_;
};

TEST_F(UsbTransportTest, FirstReaderWhosePathOpensIsUsed) {
  AddReader(L"\\\\?\\usb#printer", true, L"{4D36E979-E325-11CE-BFC1-08002BE10318}");
  AddReader(L"\\\\?\\usb#reader-a", false);
  AddReader(L"\\\\?\\usb#reader-b");
  AddReader(L"\\\\?\\usb#reader-c");
  HANDLE device = OpenUsbReader();
  ASSERT_NE(device, nullptr);
  // The device of another class is never opened; reader c is not needed.
  EXPECT_EQ(devices_.openedPaths, (std::vector<std::wstring>{L"\\\\?\\usb#reader-a", L"\\\\?\\usb#reader-b"}));
  devices_.Close(device);
}

TEST_F(UsbTransportTest, SetupClassIsComparedIgnoringCase) {
  AddReader(L"\\\\?\\usb#reader", true, L"{ff646f81-8def-11d2-9449-00105a075f6b}");
  HANDLE device = OpenUsbReader();
  EXPECT_NE(device, nullptr);
  devices_.Close(device);
}

TEST_F(UsbTransportTest, NoReaderGivesNoDevice) {
  EXPECT_EQ(OpenUsbReader(), nullptr);
  AddReader(L"\\\\?\\usb#reader", false);
  devices_.listingComplete = false;
  EXPECT_EQ(OpenUsbReader(), nullptr);
  ReaderLink link(kPollingLinkCapacity);
  EXPECT_EQ(ConnectUsb(link), kLinkPortUnusable);
  EXPECT_EQ(link.handle, nullptr);
}

TEST_F(UsbTransportTest, AnyPortFromOneThousandConnectsTheUsbReader) {
  AddReader(L"\\\\?\\usb#reader");
  devices_.Respond(StatusResponse(kStatusSuccess));
  ReaderLink link(kPollingLinkCapacity);
  ASSERT_EQ(ConnectReader(link, 1005), kStatusSuccess);
  EXPECT_EQ(link.port, kUsbLinkPort);
  EXPECT_NE(link.handle, nullptr);
  ASSERT_EQ(devices_.sentFrames.size(), 1u);
  EXPECT_EQ(devices_.sentFrames[0], Bytes(samv::kStatusCheckFrame.begin(), samv::kStatusCheckFrame.end()));
  CloseReaderLink(link);
  EXPECT_EQ(devices_.openHandles, 0);
}

TEST_F(UsbTransportTest, ReaderThatFailsTheStatusCheckIsClosed) {
  AddReader(L"\\\\?\\usb#reader");
  devices_.Respond(StatusResponse(0x60));
  ReaderLink link(kPollingLinkCapacity);
  EXPECT_EQ(ConnectUsb(link), 0x60);
  EXPECT_EQ(link.handle, nullptr);
  EXPECT_EQ(devices_.openHandles, 0);
}

TEST_F(UsbTransportTest, EachResultOfTheExchange) {
  AddReader(L"\\\\?\\usb#reader");
  struct Case {
    const char* what;
    Bytes response;
    DWORD failingCode;
    int result;
    std::int32_t payloadLength;
  };
  const Bytes good = StatusResponse(kStatusSuccess);
  Bytes badPreamble = good;
  badPreamble[3] = 0x97;
  Bytes badChecksum(good.begin(), good.end() - 1);
  badChecksum.push_back(static_cast<std::uint8_t>(good.back() ^ 1));
  const Case cases[] = {
      {"good", good, 0, kStatusSuccess, 0},
      {"with data", samv::BuildResponseFrame(0, 0, 0x41, Bytes{1, 2, 3}), 0, 0x41, 3},
      {"head send fails", good, kIoctlSendHead, kLinkPortUnusable, 0},
      {"body send fails", good, kIoctlSendBody, kLinkPortUnusable, 0},
      {"head receive fails", good, kIoctlReceiveHead, kLinkPortUnusable, 0},
      {"body receive fails", good, kIoctlReceiveBody, kLinkPortUnusable, 0},
      {"short head", Bytes(good.begin(), good.begin() + 5), 0, kLinkShortTransfer, 0},
      {"short body", Bytes(good.begin(), good.end() - 1), 0, kLinkShortTransfer, 0},
      {"wrong preamble", badPreamble, 0, kLinkShortTransfer, 0},
      {"length 3", Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x00, 0x00, 0x90}, 0, kLinkLengthOutOfBounds, 0},
      {"bad checksum", badChecksum, 0, kLinkBadChecksum, 0},
  };
  ReaderLink link(kPollingLinkCapacity);
  link.handle = OpenUsbReader();
  link.port = kUsbLinkPort;
  for (const auto& c : cases) {
    devices_.failingCodes = c.failingCode != 0 ? std::set<DWORD>{c.failingCode} : std::set<DWORD>{};
    devices_.ClearResponses();
    devices_.Respond(c.response);
    link.payloadLength = 99;
    EXPECT_EQ(SamUsbExchange(link, samv::kFindCardFrame.data(), samv::kFindCardFrame.size()), c.result) << c.what;
    EXPECT_EQ(link.payloadLength, c.payloadLength) << c.what;
  }
  CloseReaderLink(link);
}
TEST_F(UsbTransportTest, EveryDriverCallOfAnExchangeIsBounded) {
  AddReader(L"\\\\?\\usb#reader");
  const Bytes data(1200, 0x5A);
  devices_.Respond(samv::BuildResponseFrame(0, 0, kStatusSuccess, data));
  ReaderLink link(kPollingLinkCapacity);
  link.handle = OpenUsbReader();
  link.port = kUsbLinkPort;
  ASSERT_EQ(SamUsbExchange(link, samv::kFindCardFrame.data(), samv::kFindCardFrame.size()), kStatusSuccess);
  CloseReaderLink(link);
  // No call may wait for ever, and none gives up sooner than the serial
  // line would for the same bytes.
  const DWORD bodyLength = static_cast<DWORD>(data.size() + 4);
  const std::map<DWORD, DWORD> shortest = {{kIoctlSendHead, 1000 + 7},
                                           {kIoctlSendBody, 1000 + 3},
                                           {kIoctlReceiveHead, 3000 + 7},
                                           {kIoctlReceiveBody, 3000 + bodyLength}};
  ASSERT_EQ(devices_.timeouts.size(), shortest.size());
  for (const auto& [code, timeout] : devices_.timeouts) {
    EXPECT_NE(timeout, INFINITE) << std::hex << code;
    EXPECT_GE(timeout, shortest.at(code)) << std::hex << code;
  }
}

// The platform's control call with a request that never completes by
// itself: a named pipe waiting for a client that does not come.
TEST(UsbPlatformControlTest, ARequestThatNeverCompletesFailsAtItsTimeOut) {
  constexpr DWORD kPipeListen = CTL_CODE(FILE_DEVICE_NAMED_PIPE, 2, METHOD_BUFFERED, FILE_ANY_ACCESS);
  constexpr DWORD kTimeoutMs = 300;
  const std::wstring name = L"\\\\.\\pipe\\usb-control-test-" + std::to_wstring(GetCurrentProcessId());
  HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  std::atomic<bool> returnedYet{false};
  bool completed = true;
  ULONGLONG took = 0;
  std::thread caller([&] {
    const ULONGLONG start = GetTickCount64();
    DWORD returned = 0;
    completed = CurrentUsbDeviceSystem().Control(pipe, kPipeListen, nullptr, 0, nullptr, 0, returned, kTimeoutMs);
    took = GetTickCount64() - start;
    returnedYet = true;
  });
  const ULONGLONG deadline = GetTickCount64() + kTimeoutMs + 3000;
  while (!returnedYet && GetTickCount64() < deadline) Sleep(10);
  const bool returnedInTime = returnedYet;
  HANDLE client = INVALID_HANDLE_VALUE;
  // A call that ignored its time-out ends when a client comes after all.
  if (!returnedInTime) client = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  caller.join();
  if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
  CloseHandle(pipe);
  EXPECT_TRUE(returnedInTime);
  EXPECT_FALSE(completed);
  EXPECT_GE(took + 20, kTimeoutMs);  // the tick count moves in steps of up to 16 ms
}
}  // namespace
