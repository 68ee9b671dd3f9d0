#include "reader_app/card_face.h"

#include "framework/device_context.h"
#include "framework/gdi_objects.h"

namespace {

constexpr int kCardWidth = 228;
// The default text colour, set all the same: a device context that was
// drawn on before may hold another.
constexpr COLORREF kTitleColour = RGB(0, 0, 0);
constexpr COLORREF kLabelColour = RGB(64, 64, 192);
constexpr COLORREF kValueColour = RGB(0, 0, 0);
constexpr COLORREF kStatusColour = RGB(192, 64, 192);
// The red of the alarm icon, for a status the clerk must not miss.
constexpr COLORREF kWarningColour = RGB(224, 0, 0);
constexpr COLORREF kFrameLight = RGB(192, 192, 192);
constexpr COLORREF kFrameDark = RGB(128, 128, 128);
// Distances from the client area's bottom edge, in pixels at every scale.
constexpr int kStatusLift = 39;
constexpr int kFrameLift = 48;
// The alarm icon sits this many pixels above the photo's top edge.
constexpr int kAlarmLift = 16;
// At the small size the status line shares its band with the main window's
// toolbar, which starts this many pixels left of the right edge; there the
// status breaks onto a second line rather than run under the toolbar, and
// the newest address keeps to the two lines above the status line.
constexpr int kSmallScale = 2;
constexpr int kToolBarReach = 284;
constexpr int kSmallNewAddressLines = 2;

struct TextAt {
  const wchar_t* text;
  int x;
  int y;
};

constexpr TextAt kLabels[] = {
    {L"姓名", 10, 45},     {L"性别", 10, 55},     {L"民族", 60, 55},
    {L"出生", 10, 65},     {L"地址", 10, 75},     {L"公民身份证号码", 10, 100},
    {L"签发机关", 10, 110}, {L"有效期限", 10, 120}, {L"最新地址", 10, 130},
};

CFont MakeFont(int height) {
  LOGFONTW font{};
  font.lfHeight = height;
  font.lfWeight = FW_BOLD;
  font.lfCharSet = GB2312_CHARSET;
  wcscpy_s(font.lfFaceName, L"宋体");
  CFont result;
  result.CreateFontIndirect(font);
  return result;
}

void FillSolidRect(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  const COLORREF previous = SetBkColor(dc, colour);
  const RECT area{x, y, x + width, y + height};
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
}

// One-pixel edges: topLeft along the top and left, bottomRight along the
// bottom and right, inside the rectangle.
void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  FillSolidRect(dc, r.left, r.top, width - 1, 1, topLeft);
  FillSolidRect(dc, r.left, r.top, 1, height - 1, topLeft);
  FillSolidRect(dc, r.right - 1, r.top, 1, height, bottomRight);
  FillSolidRect(dc, r.left, r.bottom - 1, width, 1, bottomRight);
}

void DrawBitmapParts(HDC dc, const CardFaceView& view) {
  CMemoryDC memory(dc);
  if (!memory) return;
  if (view.background != nullptr) {
    CSelectObject selected(memory, view.background);
    BitBlt(dc, 0, 0, view.width, view.height, memory, 0, 0, SRCCOPY);
  }
  BITMAP photo{};
  if (view.photo != nullptr && GetObjectW(view.photo, sizeof(photo), &photo) != 0) {
    const int s = view.scale;
    CSelectObject selected(memory, view.photo);
    StretchBlt(dc, 169 * s, 45 * s, s * (photo.bmWidth >> 1), s * (photo.bmHeight >> 1), memory, 0, 0,
               photo.bmWidth, photo.bmHeight, SRCCOPY);
  }
}

void DrawFrame(HDC dc, const CardFaceView& view) {
  const int s = view.scale;
  RECT frame{5 * s, 42 * s, 223 * s, view.height - kFrameLift};
  Draw3dRect(dc, frame, kFrameLight, kFrameDark);
  InflateRect(&frame, -1, -1);
  Draw3dRect(dc, frame, kFrameDark, kFrameLight);
}

void DrawTitles(HDC dc, int s) {
  SetTextColor(dc, kTitleColour);
  const CFont titleFont = MakeFont(12 * s);
  CSelectObject title(dc, titleFont);
  RECT box{0, 0, kCardWidth * s, 20 * s};
  DrawTextW(dc, L"中 华 人 民 共 和 国", -1, &box, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
  const CFont nameFont = MakeFont(14 * s);
  CSelectObject name(dc, nameFont);
  box = {0, 20 * s, kCardWidth * s, 40 * s};
  DrawTextW(dc, L"居 民 身 份 证", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void DrawAt(HDC dc, const wchar_t* text, int x, int y) {
  const int length = static_cast<int>(wcslen(text));
  if (length > 0) TextOutW(dc, x, y, text, length);
}

// A value that may run over several lines, clipped to its box.
void DrawWrapped(HDC dc, const wchar_t* text, RECT box) {
  if (text[0] != L'\0') DrawTextW(dc, text, -1, &box, DT_LEFT | DT_TOP | DT_WORDBREAK);
}

// The bottom of the newest address box, in pixels.
int NewAddressBottom(int s) {
  if (s == kSmallScale) return (130 + kSmallNewAddressLines * 8) * s;
  return 150 * s;
}

void DrawValues(HDC dc, const CardInfo& card, int s) {
  DrawAt(dc, card.name, 28 * s, 45 * s);
  DrawAt(dc, card.sex, 28 * s, 55 * s);
  DrawAt(dc, card.nation, 78 * s, 55 * s);
  DrawAt(dc, card.birthText, 28 * s, 65 * s);
  DrawWrapped(dc, card.address, {28 * s, 75 * s, 160 * s, 100 * s});
  DrawAt(dc, card.idNumber, 70 * s, 100 * s);
  DrawAt(dc, card.authority, 45 * s, 110 * s);
  DrawAt(dc, card.validityText, 45 * s, 120 * s);
  DrawWrapped(dc, card.newAddress, {45 * s, 130 * s, 220 * s, NewAddressBottom(s)});
}

void DrawStatus(HDC dc, const CardFaceView& view) {
  const int s = view.scale;
  const int x = 10 * s;
  const int y = view.height - kStatusLift;
  if (s != kSmallScale) {
    DrawAt(dc, view.status, x, y);
    return;
  }
  const wchar_t* text = view.status;
  const int first = StatusLineBreak(text, 8 * s, view.width - kToolBarReach - x);
  if (first > 0) TextOutW(dc, x, y, text, first);
  const wchar_t* rest = text + first;
  if (*rest == L' ') ++rest;
  DrawAt(dc, rest, x, y + 8 * s);
}

void DrawFields(HDC dc, const CardFaceView& view) {
  const int s = view.scale;
  const CFont fieldFont = MakeFont(8 * s);
  CSelectObject field(dc, fieldFont);
  SetTextColor(dc, kLabelColour);
  for (const TextAt& label : kLabels) DrawAt(dc, label.text, label.x * s, label.y * s);
  SetTextColor(dc, kValueColour);
  if (view.card != nullptr) DrawValues(dc, *view.card, s);
  SetTextColor(dc, view.statusWarning ? kWarningColour : kStatusColour);
  DrawStatus(dc, view);
}

}  // namespace

void DrawCardFace(HDC dc, const CardFaceView& view) {
  DrawBitmapParts(dc, view);
  SetBkMode(dc, TRANSPARENT);
  DrawFrame(dc, view);
  if (view.alarm && view.alarmIcon != nullptr) {
    DrawIconEx(dc, 169 * view.scale, 45 * view.scale - kAlarmLift, view.alarmIcon, 0, 0, 0, nullptr,
               DI_NORMAL | DI_DEFAULTSIZE);
  }
  DrawTitles(dc, view.scale);
  DrawFields(dc, view);
}

int StatusLineBreak(const wchar_t* text, int cellHeight, int maxWidth) {
  // Widths in half cells: a CJK character may be as wide as the cell is
  // high, an ASCII one half of that. The font on a counter PC may be wider
  // than the one measured here, so the worst case decides.
  const int limit = cellHeight > 0 ? 2 * maxWidth / cellHeight : 0;
  int width = 0;
  int lastBreak = 0;
  int length = 0;
  for (; text[length] != L'\0'; ++length) {
    const wchar_t c = text[length];
    width += c < 0x80 ? 1 : 2;
    if (width > limit) return lastBreak > 0 ? lastBreak : length;
    // A line may end after a space or a punctuation mark.
    if (c == L' ' || c == L',' || c == L'，' || c == L'！' || c == L'。') lastBreak = length + 1;
  }
  return length;
}

RECT StatusStripRect(int scale, int width, int height) {
  return {10 * scale, height - kStatusLift, width - 206, height};
}
