// wlt-encode: turns a portrait (PNG or BMP) into a card photo of at most
// 1024 bytes, or with --decode a card photo back into a bitmap.
//
//   wlt-encode INPUT.png|INPUT.bmp OUTPUT.wlt
//   wlt-encode --decode INPUT.wlt OUTPUT.bmp
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "photo_decoder/bmp_file.h"
#include "photo_decoder/png_file.h"
#include "photo_decoder/portrait_fit.h"
#include "photo_decoder/wlt_codec.h"

namespace {

constexpr std::size_t kLargestInputFile = 256u << 20;

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad() && bytes.size() <= kLargestInputFile;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool DecodePicture(const std::vector<std::uint8_t>& bytes, RgbImage& picture) {
  return DecodePng(bytes, picture) || DecodeBmp(bytes, picture);
}

int Fail(const char* message, const std::string& path) {
  std::fprintf(stderr, "wlt-encode: %s: %s\n", message, path.c_str());
  return 1;
}

int Encode(const std::string& input, const std::string& output) {
  std::vector<std::uint8_t> bytes;
  if (!ReadFile(input, bytes)) return Fail("cannot read", input);
  RgbImage picture;
  if (!DecodePicture(bytes, picture)) return Fail("not a PNG or uncompressed BMP picture", input);
  const std::vector<std::uint8_t> photo =
      EncodeWltPhoto(FitPortrait(picture, kWltPhotoWidth, kWltPhotoHeight));
  if (photo.empty()) return Fail("cannot encode", input);
  if (!WriteFile(output, photo)) return Fail("cannot write", output);
  std::printf("%s: %zu bytes\n", output.c_str(), photo.size());
  return 0;
}

int Decode(const std::string& input, const std::string& output) {
  std::vector<std::uint8_t> bytes;
  if (!ReadFile(input, bytes)) return Fail("cannot read", input);
  RgbImage photo;
  if (!DecodeWltPhoto(bytes, photo)) return Fail("not a WLT photo", input);
  if (!WriteFile(output, EncodeBmp(photo))) return Fail("cannot write", output);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] != "--decode") return Encode(args[0], args[1]);
  if (args.size() == 3 && args[0] == "--decode") return Decode(args[1], args[2]);
  std::fprintf(stderr,
               "usage: wlt-encode INPUT.png|INPUT.bmp OUTPUT.wlt\n"
               "       wlt-encode --decode INPUT.wlt OUTPUT.bmp\n");
  return 2;
}
