// Compares the WLT codec with baseline JPEG and WebP at the photo budget of
// 1024 bytes on the sample portraits, and times WLT decoding.
//
// JPEG: libjpeg, 4:2:0, optimised Huffman tables, no JFIF marker, the
// highest quality whose file fits. WebP: libwebp, the highest quality whose
// file fits.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include "bench/sample_portraits.h"
#include "photo_decoder/wlt_codec.h"

namespace {

struct Result {
  std::size_t bytes = 0;
  double psnr = 0;
  int quality = 0;
};

std::vector<unsigned char> EncodeJpeg(const RgbImage& image, int quality) {
  jpeg_compress_struct compressor{};
  jpeg_error_mgr errors{};
  compressor.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compressor);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&compressor, &buffer, &size);
  compressor.image_width = image.width;
  compressor.image_height = image.height;
  compressor.input_components = 3;
  compressor.in_color_space = JCS_RGB;
  jpeg_set_defaults(&compressor);  // 4:2:0 chroma
  jpeg_set_quality(&compressor, quality, TRUE);
  compressor.optimize_coding = TRUE;
  compressor.write_JFIF_header = FALSE;
  jpeg_start_compress(&compressor, TRUE);
  while (compressor.next_scanline < compressor.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(image.Pixel(0, compressor.next_scanline));
    jpeg_write_scanlines(&compressor, &row, 1);
  }
  jpeg_finish_compress(&compressor);
  jpeg_destroy_compress(&compressor);
  std::vector<unsigned char> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

RgbImage DecodeJpeg(const std::vector<unsigned char>& bytes) {
  jpeg_decompress_struct decompressor{};
  jpeg_error_mgr errors{};
  decompressor.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decompressor);
  jpeg_mem_src(&decompressor, bytes.data(), bytes.size());
  jpeg_read_header(&decompressor, TRUE);
  decompressor.out_color_space = JCS_RGB;
  jpeg_start_decompress(&decompressor);
  RgbImage image = RgbImage::Blank(decompressor.output_width, decompressor.output_height);
  while (decompressor.output_scanline < decompressor.output_height) {
    JSAMPROW row = image.Pixel(0, decompressor.output_scanline);
    jpeg_read_scanlines(&decompressor, &row, 1);
  }
  jpeg_finish_decompress(&decompressor);
  jpeg_destroy_decompress(&decompressor);
  return image;
}

Result BestJpeg(const RgbImage& image) {
  for (int quality = 100; quality >= 1; --quality) {
    const auto bytes = EncodeJpeg(image, quality);
    if (bytes.size() <= kWltMaxBytes) return {bytes.size(), PeakSignalToNoise(image, DecodeJpeg(bytes)), quality};
  }
  return {};
}

Result BestWebp(const RgbImage& image) {
  for (int quality = 100; quality >= 0; --quality) {
    std::uint8_t* output = nullptr;
    const std::size_t size =
        WebPEncodeRGB(image.pixels.data(), image.width, image.height, image.width * 3, quality, &output);
    if (size == 0 || size > kWltMaxBytes) {
      WebPFree(output);
      continue;
    }
    RgbImage decoded = RgbImage::Blank(image.width, image.height);
    WebPDecodeRGBInto(output, size, decoded.pixels.data(), decoded.pixels.size(), image.width * 3);
    WebPFree(output);
    return {size, PeakSignalToNoise(image, decoded), quality};
  }
  return {};
}

Result WltResult(const RgbImage& image, std::vector<std::uint8_t>& stream) {
  stream = EncodeWltPhoto(image);
  RgbImage decoded;
  if (!DecodeWltPhoto(stream, decoded)) return {};
  return {stream.size(), PeakSignalToNoise(image, decoded), 0};
}

double MedianDecodeMicroseconds(const std::vector<std::vector<std::uint8_t>>& streams) {
  std::vector<double> times;
  RgbImage decoded;
  for (int round = 0; round < 50; ++round) {
    for (const auto& stream : streams) {
      const auto start = std::chrono::steady_clock::now();
      DecodeWltPhoto(stream, decoded);
      const auto stop = std::chrono::steady_clock::now();
      times.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    }
  }
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  std::printf("%-8s %12s %12s %16s %16s\n", "image", "WLT bytes", "WLT PSNR", "JPEG q/bytes/PSNR",
              "WebP q/bytes/PSNR");
  double wltSum = 0, jpegSum = 0, webpSum = 0;
  bool decoded = true;
  std::vector<std::vector<std::uint8_t>> streams;
  const auto images = SamplePortraitSet();
  for (std::size_t i = 0; i < images.size(); ++i) {
    std::vector<std::uint8_t> stream;
    const Result wlt = WltResult(images[i], stream);
    // A photo that does not decode has no size.
    decoded = decoded && wlt.bytes != 0;
    streams.push_back(std::move(stream));
    const Result jpeg = BestJpeg(images[i]);
    const Result webp = BestWebp(images[i]);
    std::printf("%-8zu %12zu %12.2f %3d/%4zu/%6.2f %7d/%4zu/%6.2f\n", i + 1, wlt.bytes, wlt.psnr, jpeg.quality,
                jpeg.bytes, jpeg.psnr, webp.quality, webp.bytes, webp.psnr);
    wltSum += wlt.psnr;
    jpegSum += jpeg.psnr;
    webpSum += webp.psnr;
  }
  const double count = static_cast<double>(images.size());
  std::printf("%-8s %12s %12.2f %16.2f %16.2f\n", "mean", "", wltSum / count, jpegSum / count, webpSum / count);
  std::printf("WLT decode time, median: %.0f us\n", MedianDecodeMicroseconds(streams));
  return decoded ? 0 : 1;
}
