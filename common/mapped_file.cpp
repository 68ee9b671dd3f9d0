#include "common/mapped_file.h"

#include <cstdint>

MappedFile::~MappedFile() {
  if (m_view != nullptr) UnmapViewOfFile(m_view);
  if (m_mapping != nullptr) CloseHandle(m_mapping);
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
}

int MappedFile::Open(const wchar_t* path, DWORD share, std::size_t length) {
  m_file = CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_file == INVALID_HANDLE_VALUE) return kFileCannotOpen;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(m_file, &size)) return kFileCannotMap;
  if (size.QuadPart == 0) return kFileEmpty;
  // A file larger than the address space cannot be viewed whole.
  if (static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX) return kFileCannotMap;
  const auto fileSize = static_cast<std::size_t>(size.QuadPart);
  if (length == 0) length = fileSize;
  if (length > fileSize) return kFileCannotMap;
  return Map(length);
}

int MappedFile::Map(std::size_t length) {
  m_mapping = CreateFileMappingW(m_file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (m_mapping == nullptr) return kFileCannotMap;
  m_view = static_cast<const std::uint8_t*>(MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, length));
  if (m_view == nullptr) return kFileNoView;
  m_size = length;
  return kFileMapped;
}
