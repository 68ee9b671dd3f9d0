// Any bytes from a card or a file go through the photo decoder without
// reading outside them. The first two bytes of the header are forced to the
// format's mark now and then so the fuzzer also reaches the payload decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "photo_decoder/wlt_codec.h"
#include "photo_decoder/wlt_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RgbImage photo;
  DecodeWltPhoto({data, size}, photo);
  if (size > 4) {
    // Rewrap the input as a stream with a valid header and checksum.
    WltHeader header;
    header.lumaStepCode = static_cast<std::uint16_t>(kWltMinStepCode + ((data[0] << 8) | data[1]));
    header.chromaStepCode = data[2] & 0x0F;
    header.reconstructionCode = data[3] & 0x0F;
    const std::vector<std::uint8_t> stream =
        AssembleWltStream(header, {data + 4, size - 4 > 1014 ? 1014 : size - 4});
    DecodeWltPhoto(stream, photo);
  }
  return 0;
}
