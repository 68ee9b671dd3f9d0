// hold-file: keeps a file open without sharing it, as a virus scanner or a
// backup program may do, so that no other process can open it for writing
// until this one lets go. The installer test uses it to give the setup a
// file that it cannot replace.
//
//   hold-file.exe PATH
//
// Prints "held" once the file is open, then holds it until its standard
// input ends. Exit code 0 after letting go, 1 when the file could not be
// opened, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>

namespace {
// Reads standard input until its end.
void WaitForEndOfInput() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  char buffer[64];
  DWORD got = 0;
  while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
  }
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: hold-file PATH\n", stderr);
    return 2;
  }
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold-file: cannot open the file (error %lu)\n", GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  WaitForEndOfInput();
  CloseHandle(file);
  return 0;
}
