// The reader commands over a stand-in USB driver: what a response makes of
// the card record and of the photo file.
#include <gtest/gtest.h>

#include <cstring>

#include "card/photo.h"
#include "common/reader_settings.h"
#include "fake_usb_device.h"
#include "reader/reader_commands.h"
#include "reader/usb_transport.h"
#include "support/temp_folder.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Utf16Field(const std::wstring& text, std::size_t units) {
  Bytes bytes;
  for (std::size_t i = 0; i < units; ++i) {
    const wchar_t c = i < text.size() ? text[i] : L' ';
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

Bytes TextBlock() {
  Bytes block;
  for (auto [text, units] : std::initializer_list<std::pair<const wchar_t*, std::size_t>>{
           {L"李 四", 15}, {L"2", 1}, {L"56", 2}, {L"19900101", 8}, {L"云南省景洪市", 35},
           {L"532801199001011234", 18}, {L"景洪市公安局", 15}, {L"20100115", 8}, {L"长期", 8}, {L"", 18}}) {
    const Bytes field = Utf16Field(text, units);
    block.insert(block.end(), field.begin(), field.end());
  }
  return block;
}

// Read-base-message data: T, P, the text block (T bytes) and the photo.
Bytes BaseMessage(std::uint16_t announcedText, std::uint16_t announcedPhoto, std::size_t textBytes, std::size_t photoBytes) {
  Bytes data = {static_cast<std::uint8_t>(announcedText >> 8), static_cast<std::uint8_t>(announcedText),
                static_cast<std::uint8_t>(announcedPhoto >> 8), static_cast<std::uint8_t>(announcedPhoto)};
  Bytes text = TextBlock();
  text.resize(textBytes, 0x20);
  data.insert(data.end(), text.begin(), text.end());
  for (std::size_t i = 0; i < photoBytes; ++i) data.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  return data;
}

Bytes Ok(const Bytes& data = {}) { return samv::BuildResponseFrame(0, 0, kStatusSuccess, data); }

class ReaderCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSavePath(folder_.Path().c_str());
    devices_.devices.push_back({L"\\\\?\\usb#reader", kFakeReaderClass, true});
    link_.handle = OpenUsbReader();
    link_.port = kUsbLinkPort;
    std::memset(&card_, 0x41, sizeof(card_));
    card_.idNumber[19] = L'\0';
  }

  std::string PhotoFile() const { return ReadWholeFile(folder_ / L"image.wlt"); }

  ScopedTempFolder folder_;
  FakeUsbDevices devices_;
  ReaderLink link_{kPollingLinkCapacity};
  CardInfo card_;
};

TEST_F(ReaderCommandsTest, FindCardPassesTheStatusOn) {
  devices_.Respond(samv::BuildResponseFrame(0, 0, kStatusNoCard));
  EXPECT_EQ(FindCard(link_), kStatusNoCard);
  ASSERT_EQ(devices_.sentFrames.size(), 1u);
  EXPECT_EQ(devices_.sentFrames[0], Bytes(samv::kFindCardFrame.begin(), samv::kFindCardFrame.end()));
}

TEST_F(ReaderCommandsTest, ReadDecodesTheTextAndWritesThePhotoFile) {
  devices_.Respond(Ok());
  devices_.Respond(Ok(BaseMessage(256, 1024, 256, 1024)));
  // The filler photo is not a valid picture: the decoder says so, after
  // the text was decoded.
  EXPECT_EQ(ReadCard(link_, card_), -4);
  EXPECT_STREQ(card_.name, L"李四");
  EXPECT_STREQ(card_.nation, L"基诺");
  EXPECT_STREQ(card_.sex, L"女");
  EXPECT_STREQ(card_.validityText, L"2010.01.15-长期");
  EXPECT_EQ(PhotoFile().size(), 1024u);
  EXPECT_EQ(devices_.sentFrames[0], Bytes(samv::kSelectCardFrame.begin(), samv::kSelectCardFrame.end()));
  EXPECT_EQ(devices_.sentFrames[1], Bytes(samv::kReadBaseFrame.begin(), samv::kReadBaseFrame.end()));
}

TEST_F(ReaderCommandsTest, AnnouncedLengthsAreLimited) {
  // T = 300: the photo starts at data offset 4 + 256.
  Bytes data = BaseMessage(300, 1024, 256, 1024);
  devices_.Respond(Ok());
  devices_.Respond(Ok(data));
  ReadCard(link_, card_);
  EXPECT_EQ(PhotoFile(), std::string(data.begin() + 260, data.begin() + 260 + 1024));

  // P = 2000: a photo of 1024 bytes.
  devices_.Respond(Ok());
  devices_.Respond(Ok(BaseMessage(256, 2000, 256, 1024)));
  ReadCard(link_, card_);
  EXPECT_EQ(PhotoFile().size(), 1024u);
}

TEST_F(ReaderCommandsTest, ResponseShorterThanAnnouncedDecodesNothing) {
  devices_.Respond(Ok());
  devices_.Respond(Ok(BaseMessage(256, 1024, 256, 100)));
  EXPECT_EQ(ReadCard(link_, card_), kStatusReadFailed);
  EXPECT_STREQ(card_.name, L"");
  EXPECT_STREQ(card_.idNumber, L"");
  EXPECT_TRUE(PhotoFile().empty());
}

TEST_F(ReaderCommandsTest, FailedSelectLeavesTheCardCleared) {
  devices_.Respond(samv::BuildResponseFrame(0, 0, 0x81));
  EXPECT_EQ(ReadCard(link_, card_), 0x81);
  const CardInfo empty{};
  EXPECT_EQ(std::memcmp(&card_, &empty, sizeof(card_)), 0);
  EXPECT_EQ(devices_.sentFrames.size(), 1u);
}

// The photo is decoded in the process's own folder; the save folder only
// gets copies, so one that is out of reach costs the read nothing.
TEST_F(ReaderCommandsTest, ASaveFolderOutOfReachStillLetsThePhotoBeDecoded) {
  const std::wstring missing = folder_ / L"missing\\";
  SetSavePath(missing.c_str());
  devices_.Respond(Ok());
  devices_.Respond(Ok(BaseMessage(256, 1024, 256, 1024)));
  EXPECT_NE(ReadCard(link_, card_), kPhotoDecodeFailed);
  EXPECT_STREQ(card_.idNumber, L"532801199001011234");
  wchar_t own[kPathCapacity];
  ASSERT_GT(FormReadingFolderPath(own, kPathCapacity, L"image.wlt"), 0);
  EXPECT_EQ(ReadWholeFile(own).size(), 1024u);
}

TEST_F(ReaderCommandsTest, NewestAddressIsClosedUp) {
  const CardInfo before = card_;
  devices_.Respond(Ok(Utf16Field(L"云南省 勐海县  勐遮镇", 35)));
  ASSERT_EQ(ReadNewAddress(link_, card_), kStatusSuccess);
  EXPECT_STREQ(card_.newAddress, L"云南省勐海县勐遮镇");
  EXPECT_EQ(std::memcmp(card_.name, before.name, sizeof(card_.name)), 0);

  const CardInfo read = card_;
  devices_.Respond(samv::BuildResponseFrame(0, 0, 0x41));
  EXPECT_EQ(ReadNewAddress(link_, card_), 0x41);
  devices_.Respond(Ok(Utf16Field(L"太短", 30)));
  EXPECT_EQ(ReadNewAddress(link_, card_), kStatusReadFailed);
  EXPECT_EQ(std::memcmp(&card_, &read, sizeof(card_)), 0);
}
}  // namespace
