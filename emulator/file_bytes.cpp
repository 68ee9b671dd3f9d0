#include "emulator/file_bytes.h"

#include <fstream>

int ReadWholeFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  bytes.resize(limit + 1);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return -1;
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes.size() > limit ? 1 : 0;
}

