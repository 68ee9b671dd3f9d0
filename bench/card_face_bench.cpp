// Time to draw the whole card face at the largest scale (912 x 672), with
// background, photo, alarm icon and every value, into a 32-bit bitmap.
// A paint must stay within 5 ms so that a read shows at once.
//
//   card_face_bench.exe [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_sample_card.h"
#include "framework/gdi_objects.h"
#include "reader_app/card_face.h"

namespace {

constexpr int kWidth = 912;
constexpr int kHeight = 672;
constexpr int kScale = 4;
constexpr double kLimitMs = 5.0;

HBITMAP MakeBitmap(HDC dc, int width, int height, COLORREF colour) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return nullptr;
  const DWORD pixel = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  std::fill_n(static_cast<DWORD*>(bits), width * height, pixel);
  return bitmap;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 500;
  HDC dc = CreateCompatibleDC(nullptr);
  CBitmap target;
  target.Attach(MakeBitmap(dc, kWidth, kHeight, RGB(255, 255, 255)));
  CBitmap background;
  background.Attach(MakeBitmap(dc, kWidth, kHeight, RGB(232, 240, 248)));
  CBitmap photo;
  photo.Attach(MakeBitmap(dc, 102, 126, RGB(200, 180, 160)));
  HGDIOBJ previous = SelectObject(dc, target);
  const CardInfo card = BenchSampleCard();
  const CardFaceView view{kScale, kWidth, kHeight, background, photo, true, LoadIconW(nullptr, IDI_WARNING),
                          &card,  L"此人已被列入黑名单！", false};

  for (int i = 0; i < 20; ++i) DrawCardFace(dc, view);
  GdiFlush();
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const double start = NowMs();
    DrawCardFace(dc, view);
    GdiFlush();
    times.push_back(NowMs() - start);
  }
  SelectObject(dc, previous);
  DeleteDC(dc);

  std::sort(times.begin(), times.end());
  double total = 0;
  for (double t : times) total += t;
  const double mean = total / static_cast<double>(times.size());
  const double p95 = times[times.size() * 95 / 100];
  std::printf("card face at scale %d (%dx%d): mean %.3f ms, median %.3f ms, p95 %.3f ms, max %.3f ms over %d paints\n",
              kScale, kWidth, kHeight, mean, times[times.size() / 2], p95, times.back(), rounds);
  if (mean > kLimitMs) {
    std::printf("FAIL: a paint takes more than %.1f ms\n", kLimitMs);
    return 1;
  }
  return 0;
}
