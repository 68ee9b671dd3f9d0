#include "window_fixture.h"

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "common/reader_settings.h"
#include "reader_app/resource_ids.h"

CardInfo SampleCard() {
  CardInfo card{};
  wcscpy_s(card.name, L"韩晓川");
  wcscpy_s(card.sex, L"男");
  wcscpy_s(card.nation, L"汉");
  wcscpy_s(card.birth, L"19920314");
  wcscpy_s(card.birthText, L"1992年03月14日");
  wcscpy_s(card.address, L"临河市清溪区望山路十八号");
  wcscpy_s(card.idNumber, L"99052119920314002X");
  wcscpy_s(card.authority, L"临河市公安局清溪分局");
  wcscpy_s(card.validityText, L"2010.05.07-2030.05.07");
  return card;
}

void WriteSamplePhoto(const std::wstring& path) {
  constexpr int kWidth = 102;
  constexpr int kHeight = 126;
  constexpr int kRowBytes = (kWidth * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kRowBytes * kHeight));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int dx = x - kWidth / 2;
      const int dy = y - kHeight * 2 / 5;
      const bool face = dx * dx * 4 + dy * dy * 3 < 1600;
      std::uint8_t* p = &pixels[static_cast<std::size_t>((kHeight - 1 - y) * kRowBytes + x * 3)];
      p[0] = face ? 150 : 235;  // blue
      p[1] = face ? 180 : 225;
      p[2] = face ? 225 : 215;
    }
  }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = kWidth;
  info.biHeight = kHeight;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::vector<std::uint8_t> bytes(file.bfSize);
  std::memcpy(bytes.data(), &file, sizeof(file));
  std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
  std::memcpy(bytes.data() + file.bfOffBits, pixels.data(), pixels.size());
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, bytes.data(), file.bfSize, &written, nullptr);
  CloseHandle(out);
}

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

void UseWindowTestSettings(const std::wstring& saveFolder) {
  LoadSettings();
  SetPortType(0);
  SetComPort(3);
  SetClear(1);
  SetReservedTime(0);
  SetSound(1);
  SetBgBmp((TestProgramFolder() + L"bg.bmp").c_str());
  SetSavePath(saveFolder.c_str());
}

MenuChecks ReadContextMenu(HWND window) {
  MenuChecks checks;
  std::thread reader([&checks] {
    for (int attempt = 0; attempt < 150 && !checks.opened; ++attempt) {
      Sleep(20);
      HWND menuWindow = FindWindowW(L"#32768", nullptr);
      if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) continue;
      auto* menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
      if (menu == nullptr) continue;
      auto checked = [menu](UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; };
      checks.sound = checked(ID_MENU_SOUND);
      checks.large = checked(ID_MENU_SIZE_LARGE);
      checks.medium = checked(ID_MENU_SIZE_MEDIUM);
      checks.small = checked(ID_MENU_SIZE_SMALL);
      checks.opened = true;
      PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    }
  });
  RECT frame{};
  GetWindowRect(window, &frame);
  // Returns when the menu has closed.
  SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(frame.left + 100, frame.top + 100));
  reader.join();
  return checks;
}
