// Time to compose both sides of the printed card at 600 dpi (two 2022 x 1275
// card images: templates, photo, texts, digit glyphs) into a memory page,
// through the same routine the print job uses once it knows the printer's
// resolution. A print must be composed within 100 ms. The steps that read
// bitmap files are timed on their own too, to show where the time goes.
//
//   card_print_bench.exe [ROUNDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_sample_card.h"
#include "bench/sample_portraits.h"
#include "common/bitmap_drawing.h"
#include "common/card_compose.h"
#include "common/number_glyphs.h"
#include "photo_decoder/bmp_file.h"
#include "support/temp_folder.h"

namespace {

constexpr int kDpi = 600;
constexpr double kLimitMs = 100.0;

std::wstring ProgramFile(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

void WritePhoto(const std::wstring& path) {
  const std::vector<std::uint8_t> bytes = EncodeBmp(MakeSamplePortrait(7, 102, 126));
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

double MedianMs(int rounds, const std::function<void()>& step) {
  step();
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const double start = NowMs();
    step();
    GdiFlush();
    times.push_back(NowMs() - start);
  }
  return Median(times);
}

CardFaceText SampleText() {
  CardFaceText text;
  FillCardFaceText(BenchSampleCard(), text);
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 50;
  ScopedTempFolder folder;
  const std::wstring photo = folder / L"photo.bmp";
  WritePhoto(photo);
  const CardFaceText text = SampleText();
  const DeviceResolution dpi{kDpi, kDpi};
  const int cardWidth = UnitsAcross(kCardWidthUnits, dpi);
  const int cardHeight = UnitsDown(kCardHeightUnits, dpi);

  HDC page = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), cardWidth * 2 + 110, cardHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP pageBitmap = CreateDIBSection(page, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previousPage = SelectObject(page, pageBitmap);
  // A card image of its own for the steps timed alone.
  HDC cardDc = CreateCompatibleDC(page);
  info.bmiHeader.biWidth = cardWidth;
  HBITMAP cardBitmap = CreateDIBSection(page, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previousCard = SelectObject(cardDc, cardBitmap);
  SetStretchBltMode(cardDc, COLORONCOLOR);
  const CardImage card{static_cast<std::uint8_t*>(bits), cardWidth, cardHeight};

  const CardPlacement placement{dpi, kPrintFront | kPrintBack, {0, 0}, {900, 0}};
  const std::wstring front = ProgramFile(L"front.bmp");
  // Without the card image or the templates nothing would be drawn.
  const bool composes = ComposeCardSides(page, placement, text, photo.c_str()) == 1 &&
                        DrawBitmapFile(cardDc, 0, 0, cardWidth, cardHeight, front.c_str()) == kFileMapped;
  const double total = MedianMs(rounds, [&] { ComposeCardSides(page, placement, text, photo.c_str()); });
  const std::wstring glyphs = ProgramFile(L"num.dat");
  const double templateMs =
      MedianMs(rounds, [&] { DrawBitmapFile(cardDc, 0, 0, cardWidth, cardHeight, front.c_str()); });
  const double photoMs = MedianMs(rounds, [&] {
    OverlayBitmapFile(cardDc, card, UnitsAcross(535, dpi), UnitsDown(80, dpi), UnitsAcross(260, dpi),
                      UnitsDown(320, dpi), photo.c_str());
  });
  const double glyphMs =
      MedianMs(rounds, [&] { DrawNumberGlyphs(cardDc, card, text.slot[kFaceIdNumber], glyphs.c_str(), dpi); });

  SelectObject(cardDc, previousCard);
  DeleteObject(cardBitmap);
  DeleteDC(cardDc);
  SelectObject(page, previousPage);
  DeleteObject(pageBitmap);
  DeleteDC(page);

  const double rest = total - 2 * templateMs - photoMs - glyphMs;
  std::printf("both sides at %d dpi (%dx%d each): median %.2f ms over %d rounds\n", kDpi, cardWidth, cardHeight,
              total, rounds);
  std::printf("  two templates %.2f ms (%.0f%%), photo %.2f ms (%.0f%%), glyphs %.2f ms (%.0f%%),"
              " texts and page copies %.2f ms (%.0f%%)\n",
              2 * templateMs, 200 * templateMs / total, photoMs, 100 * photoMs / total, glyphMs,
              100 * glyphMs / total, rest, 100 * rest / total);
  if (!composes) {
    std::printf("FAIL: the card cannot be composed\n");
    return 1;
  }
  if (total > kLimitMs) {
    std::printf("FAIL: composing takes more than %.0f ms\n", kLimitMs);
    return 1;
  }
  return 0;
}
