// The print command end to end: the real polling loop reads a card from the
// reader emulator, the print button is pressed and the printer dialog
// answered; the page goes through the build's own print server into a PDF.
// The test leaves beside it the card composed at the printer's resolution
// and where the printable area starts, for print_compare.py to match
// against the PDF.
#include <windows.h>

#include <winspool.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/card_compose.h"
#include "common/reader_settings.h"
#include "common/working_folders.h"
#include "photo_decoder/bmp_file.h"
#include "reader_app/resource_ids.h"
#include "reader_app/tarnwick_dlg.h"
#include "support/app_data_folder.h"
#include "support/emulator_control.h"
#include "support/emulator_reader.h"
#include "support/message_pump.h"
#include "support/modal_driver.h"
#include "support/temp_folder.h"

namespace {

const std::wstring kPrintServerFolder = PRINT_SERVER_DIR;

struct PrinterGeometry {
  DeviceResolution dpi{};
  POINT printableOffset{};
};

PrinterGeometry DefaultPrinterGeometry() {
  wchar_t name[256];
  DWORD length = 256;
  PrinterGeometry geometry;
  if (!GetDefaultPrinterW(name, &length)) return geometry;
  HDC printer = CreateDCW(L"WINSPOOL", name, nullptr, nullptr);
  if (printer == nullptr) return geometry;
  geometry.dpi = {GetDeviceCaps(printer, LOGPIXELSX), GetDeviceCaps(printer, LOGPIXELSY)};
  geometry.printableOffset = {GetDeviceCaps(printer, PHYSICALOFFSETX), GetDeviceCaps(printer, PHYSICALOFFSETY)};
  DeleteDC(printer);
  return geometry;
}

// The front as ComposeCardFaces puts it on the page, as a picture.
RgbImage ComposeFront(const CardInfo& card, const std::wstring& photo, DeviceResolution dpi) {
  const int width = UnitsAcross(kCardWidthUnits, dpi);
  const int height = UnitsDown(kCardHeightUnits, dpi);
  HDC page = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(page, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(page, bitmap);
  CardFaceText text;
  FillCardFaceText(card, text);
  ComposeCardSides(page, {dpi, kPrintFront, {0, 0}, {0, 0}}, text, photo.c_str());
  GdiFlush();
  RgbImage image = RgbImage::Blank(width, height);
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto* from = static_cast<const std::uint8_t*>(bits) + rowBytes * y + x * 3;
      std::uint8_t* to = image.Pixel(x, y);
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
    }
  }
  SelectObject(page, previous);
  DeleteObject(bitmap);
  DeleteDC(page);
  return image;
}

TEST(PrintEndToEndTest, TheLastCardReadIsPrintedAsComposed) {
  EmulatorControl emulator;
  ASSERT_TRUE(emulator.Connected()) << "run under tests/support/with-emulator";
  emulator.Request("clear-faults");
  emulator.Request("lift");
  ScopedAppDataFolder appData;
  ASSERT_TRUE(UseEmulatorAsReader({{L"Print", L"Mode", L"1"}}));
  const std::wstring pdf = kPrintServerFolder + L"pdf\\job.pdf";
  DeleteFileW(pdf.c_str());

  CTarnwickDlg dialog;
  CardInfo printed{};
  RunModal(dialog, [&](HWND window) {
    ASSERT_TRUE(PumpUntil([&] { return std::wcscmp(dialog.m_szStatus, L"请放卡...") == 0; }, 10000));
    emulator.Request("lay " + std::string(SAMPLE_CARD));
    ASSERT_TRUE(PumpUntil([&] { return dialog.m_cardLast.idNumber[0] != L'\0'; }, 10000));
    printed = dialog.m_cardLast;
    // The reference photo before anything else can touch image.bmp.
    CopyFileW((std::wstring(GetSavePath()) + L"image.bmp").c_str(), (appData.Path() + L"printed.bmp").c_str(), FALSE);
    const ModalOutcome print = DriveModal(
        [&] {
          SendMessageW(window, WM_COMMAND, ID_TOOL_PRINT, 0);
          return INT_PTR{0};
        },
        [&](HWND printDialog) { ClickButton(printDialog, IDOK); });
    EXPECT_TRUE(print.stepsRan) << "no printer dialog";
    SendMessageW(window, WM_COMMAND, ID_TOOL_EXIT, 0);
  });
  ASSERT_TRUE(PumpUntil([&] { return ReadWholeFile(pdf).find("%%EOF") != std::string::npos; }, 60000));

  const PrinterGeometry geometry = DefaultPrinterGeometry();
  ASSERT_GT(geometry.dpi.x, 0);
  WriteFileBytes(kPrintServerFolder + L"reference.bmp",
             EncodeBmp(ComposeFront(printed, appData.Path() + L"printed.bmp", geometry.dpi)));
  std::ofstream(std::filesystem::path(kPrintServerFolder + L"reference.txt"))
      << geometry.dpi.x << ' ' << geometry.printableOffset.x << ' ' << geometry.printableOffset.y << '\n';
}

}  // namespace
