// A file mapped read-only for the life of the object: bitmap files are
// drawn straight from the mapping, never copied into buffers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

// Results of Open, as the drawing routines return them.
inline constexpr int kFileMapped = 1;
inline constexpr int kFileCannotOpen = 2;
inline constexpr int kFileEmpty = 3;
inline constexpr int kFileCannotMap = 4;
inline constexpr int kFileNoView = 5;

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Opens path for reading with the given sharing (FILE_SHARE_READ, or 0
  // for none) and maps the whole file, or exactly its first `length` bytes
  // when length is not 0 (a shorter file cannot be mapped then).
  int Open(const wchar_t* path, DWORD share, std::size_t length = 0);
  std::span<const std::uint8_t> Bytes() const { return {m_view, m_size}; }

 private:
  int Map(std::size_t length);

  HANDLE m_file = INVALID_HANDLE_VALUE;
  HANDLE m_mapping = nullptr;
  const std::uint8_t* m_view = nullptr;
  std::size_t m_size = 0;
};
