#include "reader_app/last_card_photo.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "common/profile_path.h"

namespace {

// <temporary folder>Tarnwick-<process id>-<role>.bmp, or an empty path
// when it does not fit (nothing is kept then).
void TemporaryFile(const wchar_t* role, wchar_t (&path)[kPathCapacity]) {
  wchar_t folder[kPathCapacity];
  const DWORD length = GetTempPathW(kPathCapacity, folder);
  wchar_t name[64];
  std::swprintf(name, std::size(name), L"Tarnwick-%lu-%ls.bmp", GetCurrentProcessId(), role);
  if (length == 0 || length >= kPathCapacity || !JoinPath(folder, name, path)) path[0] = L'\0';
}

}  // namespace

LastCardPhoto::LastCardPhoto() {
  TemporaryFile(L"photo", m_kept);
  TemporaryFile(L"print", m_printed);
  // A file left by an earlier process with the same id is no photo of ours.
  DeleteFileW(m_kept);
}

LastCardPhoto::~LastCardPhoto() {
  DeleteFileW(m_kept);
  DeleteFileW(m_printed);
}

const wchar_t* LastCardPhoto::PrintCopy() {
  if (m_printed[0] == L'\0' || !CopyFileW(m_kept, m_printed, FALSE)) return L"";
  return m_printed;
}

void LastCardPhoto::ReleasePrintCopy() { DeleteFileW(m_printed); }
