#include "emulator/card_photo.h"

#include <map>
#include <optional>

#include "emulator/card_file.h"
#include "emulator/file_bytes.h"
#include "photo_decoder/bmp_file.h"
#include "photo_decoder/png_file.h"
#include "photo_decoder/portrait_fit.h"
#include "photo_decoder/wlt_codec.h"

namespace {
// Portraits come from cameras and scanners; anything larger is refused
// rather than read into memory.
constexpr std::size_t kLongestPortraitFile = 64u << 20;

std::vector<std::uint8_t> ToBytes(const std::string& text) { return {text.begin(), text.end()}; }

// Encoded photos of the portraits laid so far, by path and the file's size
// and time of change. Encoding takes a noticeable fraction of a second (many
// seconds in a sanitizer build), and tests and benchmarks lay the same card
// again and again; a changed file is encoded afresh.
struct PortraitKey {
  std::string path;
  std::uintmax_t size;
  std::filesystem::file_time_type changed;
  auto operator<=>(const PortraitKey&) const = default;
};

std::map<PortraitKey, std::vector<std::uint8_t>>& EncodedPortraits() {
  static std::map<PortraitKey, std::vector<std::uint8_t>> encoded;
  return encoded;
}

std::optional<PortraitKey> KeyOf(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  const auto changed = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  return PortraitKey{path.native(), size, changed};
}
}  // namespace

int ReadRawPhoto(const std::filesystem::path& path, std::vector<std::uint8_t>& photo, std::string& error) {
  std::string bytes;
  const int read = ReadWholeFile(path, kCardPhotoBytes, bytes);
  if (read < 0) {
    error = "cannot read photo " + path.native();
    return kCardPhotoUnreadable;
  }
  if (read > 0) {
    error = "photo larger than 1024 bytes";
    return kCardPhotoTooLarge;
  }
  photo = ToBytes(bytes);
  return kCardFileOk;
}

int EncodePortrait(const std::filesystem::path& path, std::vector<std::uint8_t>& photo, std::string& error) {
  const std::optional<PortraitKey> key = KeyOf(path);
  if (key) {
    if (const auto known = EncodedPortraits().find(*key); known != EncodedPortraits().end()) {
      photo = known->second;
      return kCardFileOk;
    }
  }
  std::string bytes;
  if (ReadWholeFile(path, kLongestPortraitFile, bytes) != 0) {
    error = "cannot read portrait " + path.native();
    return kCardPhotoUnreadable;
  }
  const std::vector<std::uint8_t> file = ToBytes(bytes);
  RgbImage picture;
  if (!DecodePng(file, picture) && !DecodeBmp(file, picture)) {
    error = "portrait is not a PNG or uncompressed BMP picture: " + path.native();
    return kCardPortraitUnusable;
  }
  photo = EncodeWltPhoto(FitPortrait(picture, kWltPhotoWidth, kWltPhotoHeight));
  if (photo.empty()) {
    error = "portrait cannot be encoded: " + path.native();
    return kCardPortraitUnusable;
  }
  if (key) EncodedPortraits()[*key] = photo;
  return kCardFileOk;
}
