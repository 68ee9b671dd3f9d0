#include "reader/reader_commands.h"

#include <algorithm>
#include <cstring>

#include "card/photo.h"
#include "common/reader_settings.h"
#include "reader/usb_transport.h"

namespace {
constexpr std::uint32_t kLargestTextLength = 256;
constexpr auto kLargestPhotoLength = static_cast<std::uint32_t>(kLargestPhotoBytes);
constexpr std::uint32_t kLengthFieldsSize = 4;  // T and P, two bytes each

template <std::size_t N>
int Send(ReaderLink& link, const std::array<std::uint8_t, N>& frame) {
  return ExchangeOverLink(link, frame.data(), static_cast<std::uint32_t>(N));
}

std::uint32_t BigEndian16(const std::uint8_t* bytes) { return static_cast<std::uint32_t>(bytes[0]) << 8 | bytes[1]; }
}  // namespace

int FindCard(ReaderLink& link) { return Send(link, samv::kFindCardFrame); }

void SetMaxRfBytes(ReaderLink& link) { Send(link, samv::kSetMaxRfFrame); }

int ReadCard(ReaderLink& link, CardInfo& card, CardPhotoBytes* photo) {
  const int linkKind = link.port >= kUsbPortBase ? kLinkKindUsb : kLinkKindSerial;
  std::memset(&card, 0, sizeof(card));
  if (photo != nullptr) photo->size = 0;
  if (const int selected = Send(link, samv::kSelectCardFrame); selected != kStatusSuccess) return selected;
  if (const int read = Send(link, samv::kReadBaseFrame); read != kStatusSuccess) return read;

  // Everything decoded must have come with this response: bytes beyond it
  // are left over from an earlier card.
  const auto received = static_cast<std::uint32_t>(link.payloadLength);
  if (received < kLengthFieldsSize) return kStatusReadFailed;
  const std::uint32_t textLength = std::min(BigEndian16(link.payload), kLargestTextLength);
  const std::uint32_t photoLength = std::min(BigEndian16(link.payload + 2), kLargestPhotoLength);
  const std::uint32_t needed = kLengthFieldsSize + std::max(textLength + photoLength, static_cast<std::uint32_t>(kCardTextBytes));
  if (received < needed) return kStatusReadFailed;

  DecodeCardText(card, link.payload + kLengthFieldsSize);
  const std::uint8_t* photoBytes = link.payload + kLengthFieldsSize + textLength;
  if (photo != nullptr) {
    std::memcpy(photo->bytes, photoBytes, photoLength);
    photo->size = photoLength;
  }
  const int decoded = DecodeCardPhoto(photoBytes, photoLength, linkKind);
  return decoded == kPhotoDecoded ? kStatusSuccess : decoded;
}

int ReadNewAddress(ReaderLink& link, CardInfo& card) {
  const int result = Send(link, samv::kReadNewAddressFrame);
  if (result != kStatusSuccess) return result;
  if (static_cast<std::uint32_t>(link.payloadLength) < kNewAddressBytes) return kStatusReadFailed;
  constexpr std::size_t kUnits = kNewAddressBytes / 2;
  for (std::size_t i = 0; i < kUnits; ++i) {
    card.newAddress[i] = static_cast<wchar_t>(link.payload[2 * i] | link.payload[2 * i + 1] << 8);
  }
  card.newAddress[kUnits] = L'\0';
  RemoveSpaces(card.newAddress);
  return kStatusSuccess;
}
