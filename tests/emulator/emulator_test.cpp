// The emulator as the host sees it: frames on a real pseudo-terminal and
// requests on the control channel.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "emulator/card_file.h"
#include "emulator/emulator_process.h"
#include "reader/sam_frame.h"

namespace {
using namespace std::chrono_literals;

const Bytes kStatusCheck(samv::kStatusCheckFrame.begin(), samv::kStatusCheckFrame.end());
const Bytes kFindCard(samv::kFindCardFrame.begin(), samv::kFindCardFrame.end());
const Bytes kSelectCard(samv::kSelectCardFrame.begin(), samv::kSelectCardFrame.end());
const Bytes kReadBase(samv::kReadBaseFrame.begin(), samv::kReadBaseFrame.end());
const Bytes kReadNewAddress(samv::kReadNewAddressFrame.begin(), samv::kReadNewAddressFrame.end());
const Bytes kSetMaxRf(samv::kSetMaxRfFrame.begin(), samv::kSetMaxRfFrame.end());
const Bytes kSuccess = HexBytes("AA AA AA 96 69 00 04 00 00 90 94");

Bytes StatusResponse(std::uint8_t status) { return samv::BuildResponseFrame(0, 0, status); }

Bytes SetBaudFrame(std::uint8_t code) { return samv::BuildCommandFrame(samv::kCmdSetBaud, code); }

class EmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Started());
    ASSERT_TRUE(control_.Connected());
    ASSERT_TRUE(host_.Open());
  }

  std::string Request(const std::string& line) { return control_.Request(line); }

  EmulatorProcess emulator_;
  ControlConnection control_{emulator_.ControlAddress()};
  HostPort host_{emulator_.PtyPath(), 115200};
};

TEST_F(EmulatorTest, StatusCheckGetsTheExactFrameAndIsLogged) {
  EXPECT_EQ(HexText(host_.Exchange(kStatusCheck)), "AA AA AA 96 69 00 04 00 00 90 94");
  EXPECT_EQ(host_.Exchange(kSetMaxRf), kSuccess);
  EXPECT_EQ(Request("log"), "ok AA AA AA 96 69 00 03 11 FF ED AA AA AA 96 69 00 04 61 FF 58 C2");
  EXPECT_EQ(Request("host-speed"), "ok 115200");
  EXPECT_EQ(Request("clear-log"), "ok");
  EXPECT_EQ(Request("log"), "ok");
}

TEST_F(EmulatorTest, CardIsFoundReadAndHaltedUntilLaidAgain) {
  EXPECT_EQ(Request("state"), "ok none");
  EXPECT_EQ(host_.Exchange(kFindCard), StatusResponse(0x80));
  EXPECT_EQ(host_.Exchange(kSelectCard), StatusResponse(0x81));
  EXPECT_EQ(host_.Exchange(kReadBase), StatusResponse(0x41));

  ASSERT_EQ(Request("lay"), "ok");
  EXPECT_EQ(Request("state"), "ok present");
  EXPECT_EQ(host_.Exchange(kFindCard), StatusResponse(0x9F));
  EXPECT_EQ(host_.Exchange(kSelectCard), kSuccess);
  const Bytes base = host_.Exchange(kReadBase);
  ASSERT_EQ(base.size(), 1295u);
  EXPECT_EQ(HexText({base.begin(), base.begin() + 14}), "AA AA AA 96 69 05 08 00 00 90 01 00 04 00");
  const Card card = BuiltInTestCard();
  EXPECT_TRUE(std::equal(card.textBlock.begin(), card.textBlock.end(), base.begin() + 14));
  EXPECT_TRUE(std::equal(card.photo.begin(), card.photo.end(), base.begin() + 270));
  EXPECT_EQ(CheckResponseChecksum(base.data(), 0x0508), 0);

  EXPECT_EQ(Request("state"), "ok halted");
  EXPECT_EQ(host_.Exchange(kFindCard), StatusResponse(0x80));
  EXPECT_EQ(host_.Exchange(kSelectCard), kSuccess);  // still on the field
  const Bytes newAddress = host_.Exchange(kReadNewAddress);
  ASSERT_EQ(newAddress.size(), 81u);
  EXPECT_EQ(HexText({newAddress.begin() + 5, newAddress.begin() + 10}), "00 4A 00 00 90");
  EXPECT_TRUE(std::equal(card.newAddress->begin(), card.newAddress->end(), newAddress.begin() + 10));

  ASSERT_EQ(Request("lay " SAMPLE_CARD_PATH), "ok");
  EXPECT_EQ(host_.Exchange(kFindCard), StatusResponse(0x9F));
  ASSERT_EQ(Request("lift"), "ok");
  EXPECT_EQ(Request("state"), "ok none");
  EXPECT_EQ(host_.Exchange(kFindCard), StatusResponse(0x80));
  EXPECT_EQ(host_.Exchange(kReadNewAddress), StatusResponse(0x41));
}

TEST_F(EmulatorTest, CardWithoutNewestAddressRefusesToReadIt) {
  ScratchFolder folder;
  const std::string path = (folder.Path() / "plain.card").string();
  std::ofstream(path) << "name=石川\nsex=1\nnation=01\nbirth=19700101\naddress=某地\n"
                         "id=990000197001010011\nauthority=某局\nvalidfrom=20100101\nvalidto=20300101\n";
  ASSERT_EQ(Request("lay " + path), "ok");
  EXPECT_EQ(host_.Exchange(kReadNewAddress), StatusResponse(0x41));
  EXPECT_EQ(Request("lay " + (folder.Path() / "absent.card").string()).rfind("error cannot read", 0), 0u);
}

TEST_F(EmulatorTest, UnknownCommandsAndDamagedFramesGetTheirStatus) {
  EXPECT_EQ(host_.Exchange(samv::BuildCommandFrame(0x12, 0x34)), StatusResponse(0x21));
  EXPECT_EQ(host_.Exchange(samv::BuildCommandFrame(0x11, 0xFF, Bytes{0x01})), StatusResponse(0x21));
  EXPECT_EQ(host_.Exchange(samv::BuildCommandFrame(0x61, 0x00, Bytes{0x58})), StatusResponse(0x21));
  Bytes badChecksum = kStatusCheck;
  badChecksum.back() ^= 0xFF;
  EXPECT_EQ(host_.Exchange(badChecksum), StatusResponse(0x10));
  // A head with a length out of bounds, then a good frame right behind it.
  Bytes badLength = HexBytes("AA AA AA 96 69 00 02");
  badLength.insert(badLength.end(), kStatusCheck.begin(), kStatusCheck.end());
  const Bytes both = host_.Exchange(badLength);
  EXPECT_EQ(HexText(both), HexText(StatusResponse(0x11)) + " " + HexText(kSuccess));
}

TEST_F(EmulatorTest, OnlyTheReadersOwnSpeedIsAnswered) {
  ASSERT_TRUE(host_.SetSpeed(57600));
  EXPECT_EQ(Request("host-speed"), "ok 57600");
  EXPECT_TRUE(host_.Exchange(kStatusCheck).empty());
  EXPECT_EQ(Request("log"), "ok AA AA AA 96 69 00 03 11 FF ED");  // received all the same

  ASSERT_EQ(Request("set-speed 57600"), "ok");
  EXPECT_EQ(Request("speed"), "ok 57600");
  EXPECT_EQ(host_.Exchange(kStatusCheck), kSuccess);
}

TEST_F(EmulatorTest, SetLineSpeedIsAnsweredAtTheOldSpeedAndThenHolds) {
  EXPECT_EQ(host_.Exchange(SetBaudFrame(0x05)), StatusResponse(0x21));
  EXPECT_EQ(Request("speed"), "ok 115200");

  EXPECT_EQ(host_.Exchange(SetBaudFrame(0x03)), kSuccess);
  EXPECT_EQ(Request("speed"), "ok 19200");
  EXPECT_TRUE(host_.Exchange(kStatusCheck).empty());
  ASSERT_TRUE(host_.SetSpeed(19200));
  EXPECT_EQ(host_.Exchange(kStatusCheck), kSuccess);
}

TEST_F(EmulatorTest, LineFaultsCorruptTheGivenNumberOfResponses) {
  const struct {
    const char* fault;
    const char* response;
  } cases[] = {
      {"silence", ""},
      {"preamble", "55 AA AA 96 69 00 04 00 00 90 94"},
      {"checksum", "AA AA AA 96 69 00 04 00 00 90 95"},
      {"length-short", "AA AA AA 96 69 00 03"},
      {"length-long", "AA AA AA 96 69 05 0A 00 00 90 94"},
      {"truncate", "AA AA AA 96 69"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Request(std::string("fault ") + c.fault + " count=2"), "ok") << c.fault;
    EXPECT_EQ(HexText(host_.Exchange(kStatusCheck)), c.response) << c.fault;
    EXPECT_EQ(HexText(host_.Exchange(kStatusCheck)), c.response) << c.fault;
    EXPECT_EQ(host_.Exchange(kStatusCheck), kSuccess) << c.fault;
  }
  ASSERT_EQ(Request("fault checksum"), "ok");
  for (int i = 0; i < 3; ++i) EXPECT_NE(host_.Exchange(kStatusCheck), kSuccess);
  ASSERT_EQ(Request("clear-faults"), "ok");
  EXPECT_EQ(host_.Exchange(kStatusCheck), kSuccess);
}

TEST_F(EmulatorTest, StatusFaultRefusesTheCommandWithoutCarryingItOut) {
  ASSERT_EQ(Request("lay"), "ok");
  ASSERT_EQ(Request("fault status 30 01 41 count=1"), "ok");
  EXPECT_EQ(host_.Exchange(kReadBase), StatusResponse(0x41));
  EXPECT_EQ(Request("state"), "ok present");
  EXPECT_EQ(host_.Exchange(kReadBase).size(), 1295u);
  EXPECT_EQ(Request("state"), "ok halted");

  ASSERT_EQ(Request("fault status 60 01 21"), "ok");
  EXPECT_EQ(host_.Exchange(SetBaudFrame(0x01)), StatusResponse(0x21));
  EXPECT_EQ(Request("speed"), "ok 115200");
  EXPECT_EQ(host_.Exchange(kStatusCheck), kSuccess);  // other commands unaffected
}

TEST_F(EmulatorTest, ReplyReplacesExactlyTheNextResponse) {
  ASSERT_EQ(Request("lay"), "ok");
  ASSERT_EQ(Request("reply AA AA AA 96 69 00 06 00 00 90 11 22 A6"), "ok");
  EXPECT_EQ(HexText(host_.Exchange(kReadBase)), "AA AA AA 96 69 00 06 00 00 90 11 22 A6");
  EXPECT_EQ(Request("state"), "ok present");
  EXPECT_EQ(host_.Exchange(kFindCard), StatusResponse(0x9F));
}

TEST_F(EmulatorTest, ControlChannelRefusesBadRequestsAndServesManyClients) {
  for (const char* request : {"", "bogus", "fault", "fault sparks", "fault checksum count=0", "fault checksum extra",
                              "fault status 30 01", "fault status 30 01 4G1", "fault unplug count=2",
                              "set-speed 12345", "set-speed fast", "reply", "reply zz", "lift now"}) {
    EXPECT_EQ(Request(request).rfind("error ", 0), 0u) << request;
  }
  EXPECT_EQ(host_.Exchange(kStatusCheck), kSuccess);  // none of them armed a fault
  for (int i = 0; i < 3; ++i) {
    ControlConnection another(emulator_.ControlAddress());
    EXPECT_EQ(another.Request("lay"), "ok");
    EXPECT_EQ(another.Request("state"), "ok present");
  }
  EXPECT_EQ(Request("quit"), "ok");
  EXPECT_EQ(emulator_.WaitForExit(), 0);
}

TEST_F(EmulatorTest, ClientModeReportsTheResponseAndItsOutcome) {
  const auto run = [](const std::string& arguments, std::string& output) {
    const std::string command = std::string(SAMV_EMULATOR_PROGRAM) + " ctl " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    char line[256] = {};
    output = fgets(line, sizeof line, pipe) != nullptr ? line : "";
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::string output;
  EXPECT_EQ(run(emulator_.ControlAddress() + " set-speed 38400", output), 0);
  EXPECT_EQ(output, "ok\n");
  EXPECT_EQ(run(emulator_.ControlAddress() + " speed", output), 0);
  EXPECT_EQ(output, "ok 38400\n");
  EXPECT_EQ(run(emulator_.ControlAddress() + " fault sparks", output), 1);
  EXPECT_EQ(run("127.0.0.1:1 state", output), 2);
}

class ComLinkTest : public ::testing::Test {
 protected:
  std::string LinkTarget() const {
    char target[300] = {};
    const ssize_t length = readlink(link_.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string("no link") : std::string(target, static_cast<std::size_t>(length));
  }

  ScratchFolder prefix_;
  std::string link_ = (prefix_.Path() / "dosdevices" / "com7").string();
};

TEST_F(ComLinkTest, LinkFollowsPlugAndPointsNowhereAtExit) {
  // Test prefixes park unused ports as empty folders.
  std::filesystem::create_directories(link_);
  EmulatorProcess emulator({"--link-com", "7", "--wineprefix", prefix_.Path().string(), "--speed", "9600"});
  ASSERT_TRUE(emulator.Started());
  EXPECT_EQ(LinkTarget(), emulator.PtyPath());
  ControlConnection control(emulator.ControlAddress());
  HostPort host(link_, 9600);
  ASSERT_TRUE(host.Open());
  EXPECT_EQ(host.Exchange(kStatusCheck), kSuccess);

  ASSERT_EQ(control.Request("fault unplug"), "ok");
  EXPECT_EQ(LinkTarget(), "/nonexistent/com7");
  EXPECT_TRUE(host.Exchange(kStatusCheck).empty());
  ASSERT_EQ(control.Request("plug"), "ok");
  EXPECT_EQ(LinkTarget(), emulator.PtyPath());
  EXPECT_EQ(host.Exchange(kStatusCheck), kSuccess);

  EXPECT_EQ(emulator.Terminate(), 0);
  EXPECT_EQ(LinkTarget(), "/nonexistent/com7");
}

TEST_F(ComLinkTest, PortThatIsNotALinkIsLeftAlone) {
  std::filesystem::create_directories(link_);
  std::ofstream(std::filesystem::path(link_) / "keep") << "x";
  EmulatorProcess emulator({"--link-com", "7", "--wineprefix", prefix_.Path().string()});
  EXPECT_FALSE(emulator.Started());
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(link_) / "keep"));
}

TEST(EmulatorPacing, ResponseTakesTheTimeOfTheLine) {
  EmulatorProcess emulator({"--pace", "--speed", "38400"});
  ASSERT_TRUE(emulator.Started());
  ControlConnection control(emulator.ControlAddress());
  ASSERT_EQ(control.Request("lay"), "ok");
  HostPort host(emulator.PtyPath(), 38400);
  ASSERT_TRUE(host.Open());
  const auto start = std::chrono::steady_clock::now();
  host.Send(kReadBase);
  const Bytes response = host.Receive(1295, 3000ms);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(response.size(), 1295u);
  // 1295 bytes of ten bits at 38400 bit/s take 337 ms.
  EXPECT_GE(elapsed, 320ms);
  EXPECT_LT(elapsed, 1500ms);
}
}  // namespace
