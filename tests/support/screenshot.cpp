#include "support/screenshot.h"

// The suite builds with WIN32_LEAN_AND_MEAN, which leaves out the COM
// declarations that GDI+ needs.
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/device_context.h"
#include "framework/gdi_objects.h"

namespace {

constexpr size_t kMaxPath = 259;

namespace gdip = Gdiplus::DllExports;

bool IsPlainFileName(const char* name) {
  return name != nullptr && *name != '\0' && std::strpbrk(name, "\\/:*?\"<>|") == nullptr;
}

// The PNG file's full path, or empty when it would be too long.
bool ScreenshotPath(const char* name, std::wstring& path) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
  if (length <= 0) return false;
  std::wstring wideName(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wideName.data(), length);
  wideName.resize(static_cast<size_t>(length) - 1);
  path = std::wstring(SCREENSHOT_DIR) + L"\\" + wideName + L".png";
  return path.size() <= kMaxPath;
}

class WindowDC {
 public:
  explicit WindowDC(HWND window) : m_window(window), m_dc(GetWindowDC(window)) {}
  ~WindowDC() {
    if (m_dc != nullptr) ReleaseDC(m_window, m_dc);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  operator HDC() const { return m_dc; }

 private:
  HWND m_window;
  HDC m_dc;
};

// A top-down 24-bit copy of what the window shows.
struct Capture {
  CBitmap bitmap;
  const BYTE* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride() const { return (width * 3 + 3) & ~3; }
};

bool CaptureWindow(HWND window, Capture& capture) {
  // Paint whatever is still pending, so the copy shows the current state.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT bounds{};
  if (!GetWindowRect(window, &bounds)) return false;
  capture.width = bounds.right - bounds.left;
  capture.height = bounds.bottom - bounds.top;
  if (capture.width <= 0 || capture.height <= 0) return false;

  WindowDC source(window);
  CMemoryDC target(source);
  if (source == nullptr || !target) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  capture.bitmap.Attach(CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!capture.bitmap) return false;
  capture.pixels = static_cast<const BYTE*>(bits);
  CSelectObject selected(target, capture.bitmap);
  const bool copied = BitBlt(target, 0, 0, capture.width, capture.height, source, 0, 0, SRCCOPY) != FALSE;
  GdiFlush();
  return copied;
}

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    m_started = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (m_started) Gdiplus::GdiplusShutdown(m_token);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  explicit operator bool() const { return m_started; }

 private:
  ULONG_PTR m_token = 0;
  bool m_started = false;
};

bool FindPngEncoder(CLSID& encoder) {
  UINT count = 0;
  UINT bytes = 0;
  if (gdip::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<BYTE> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gdip::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

bool WritePng(const Capture& capture, const std::wstring& path) {
  GdiplusSession session;
  CLSID encoder{};
  if (!session || !FindPngEncoder(encoder)) return false;
  Gdiplus::GpBitmap* image = nullptr;
  // GDI+ reads the DIB's rows in place: 24-bit, blue first, 4-byte aligned.
  if (gdip::GdipCreateBitmapFromScan0(capture.width, capture.height, capture.stride(), PixelFormat24bppRGB,
                                      const_cast<BYTE*>(capture.pixels), &image) != Gdiplus::Ok) {
    return false;
  }
  const bool saved = gdip::GdipSaveImageToFile(image, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
  gdip::GdipDisposeImage(image);
  return saved;
}

}  // namespace

int SaveWindowScreenshot(HWND window, const char* name) {
  if (!IsWindow(window) || !IsPlainFileName(name)) return kScreenshotBadArgument;
  std::wstring path;
  if (!ScreenshotPath(name, path)) return path.empty() ? kScreenshotBadArgument : kScreenshotPathTooLong;
  if (!CreateDirectoryW(SCREENSHOT_DIR, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return kScreenshotWriteFailed;
  }
  Capture capture;
  if (!CaptureWindow(window, capture)) return kScreenshotCaptureFailed;
  return WritePng(capture, path) ? kScreenshotSaved : kScreenshotWriteFailed;
}
