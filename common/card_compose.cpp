#include "common/card_compose.h"

#include <cwchar>

#include "common/bitmap_drawing.h"
#include "common/number_glyphs.h"
#include "common/profile_path.h"
#include "common/working_folders.h"
#include "framework/device_context.h"
#include "framework/gdi_objects.h"

namespace {

struct TextPlace {
  CardFaceSlot slot;
  int x;
  int y;
};

constexpr int kNameCellHeight = 32;
constexpr int kFieldCellHeight = 30;
constexpr TextPlace kNamePlace{kFaceName, 170, 80};
constexpr TextPlace kFrontLines[] = {
    {kFaceSex, 170, 150},       {kFaceNation, 340, 150},    {kFaceBirthYear, 170, 212},
    {kFaceBirthMonth, 290, 212}, {kFaceBirthDay, 370, 212},
};
constexpr RECT kAddressBox{170, 280, 520, 370};
constexpr TextPlace kBackLines[] = {{kFaceAuthority, 365, 390}, {kFaceValidity, 365, 460}};
constexpr RECT kPhotoBox{535, 80, 535 + 260, 80 + 320};

// One card side being drawn: the surface with the card image selected,
// its pixels, the resolution and the program folder's files.
struct SideCanvas {
  HDC dc;
  CardImage card;
  DeviceResolution dpi;
  const wchar_t* programFolder;
};

CFont MakeCardFont(int cellHeightUnits, DeviceResolution dpi) {
  LOGFONTW font{};
  font.lfHeight = UnitsDown(cellHeightUnits, dpi);  // positive: the character cell
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(font.lfFaceName, L"黑体");
  CFont result;
  result.CreateFontIndirect(font);
  return result;
}

void DrawLine(const SideCanvas& side, const CardFaceText& text, const TextPlace& place) {
  const wchar_t* line = text.slot[place.slot];
  const int length = static_cast<int>(wcslen(line));
  if (length > 0) TextOutW(side.dc, UnitsAcross(place.x, side.dpi), UnitsDown(place.y, side.dpi), line, length);
}

void DrawWrapped(const SideCanvas& side, const wchar_t* text, const RECT& boxUnits) {
  RECT box{UnitsAcross(boxUnits.left, side.dpi), UnitsDown(boxUnits.top, side.dpi),
           UnitsAcross(boxUnits.right, side.dpi), UnitsDown(boxUnits.bottom, side.dpi)};
  // An address is printed as it stands: "&" is no mnemonic prefix here.
  if (text[0] != L'\0') DrawTextW(side.dc, text, -1, &box, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

// The program folder's file of that name, or an empty path (nothing opens).
void ProgramFile(const SideCanvas& side, const wchar_t* name, wchar_t (&path)[kPathCapacity]) {
  JoinPath(side.programFolder, name, path);
}

void DrawTemplate(const SideCanvas& side, const wchar_t* name) {
  wchar_t path[kPathCapacity];
  ProgramFile(side, name, path);
  DrawBitmapFile(side.dc, 0, 0, side.card.width, side.card.height, path);
}

void DrawFront(const SideCanvas& side, const CardFaceText& text, const wchar_t* photoPath) {
  DrawTemplate(side, L"front.bmp");
  OverlayBitmapFile(side.dc, side.card, UnitsAcross(kPhotoBox.left, side.dpi), UnitsDown(kPhotoBox.top, side.dpi),
                    UnitsAcross(kPhotoBox.right - kPhotoBox.left, side.dpi),
                    UnitsDown(kPhotoBox.bottom - kPhotoBox.top, side.dpi), photoPath);
  {
    const CFont nameFont = MakeCardFont(kNameCellHeight, side.dpi);
    CSelectObject selected(side.dc, nameFont);
    DrawLine(side, text, kNamePlace);
  }
  {
    const CFont fieldFont = MakeCardFont(kFieldCellHeight, side.dpi);
    CSelectObject selected(side.dc, fieldFont);
    for (const TextPlace& place : kFrontLines) DrawLine(side, text, place);
    DrawWrapped(side, text.slot[kFaceAddress], kAddressBox);
  }
  // The glyphs are laid pixel by pixel: the texts must be in the image first.
  GdiFlush();
  wchar_t glyphs[kPathCapacity];
  ProgramFile(side, L"num.dat", glyphs);
  DrawNumberGlyphs(side.dc, side.card, text.slot[kFaceIdNumber], glyphs, side.dpi);
}

void DrawBack(const SideCanvas& side, const CardFaceText& text) {
  DrawTemplate(side, L"back.bmp");
  const CFont fieldFont = MakeCardFont(kFieldCellHeight, side.dpi);
  CSelectObject selected(side.dc, fieldFont);
  for (const TextPlace& place : kBackLines) DrawLine(side, text, place);
}

void CopyToPage(HDC page, const SideCanvas& side, PrintPosition at) {
  GdiFlush();
  BitBlt(page, UnitsAcross(at.x, side.dpi), UnitsDown(at.y, side.dpi), side.card.width, side.card.height, side.dc, 0,
         0, SRCCOPY);
}

}  // namespace

int ComposeCardFaces(HDC printer, const CardFaceText& text, const wchar_t* photoPath) {
  CardPlacement placement{};
  placement.dpi = {GetDeviceCaps(printer, LOGPIXELSX), GetDeviceCaps(printer, LOGPIXELSY)};
  placement.mode = GetPrintPlacement(placement.front, placement.back);
  return ComposeCardSides(printer, placement, text, photoPath);
}

int ComposeCardSides(HDC page, const CardPlacement& placement, const CardFaceText& text, const wchar_t* photoPath) {
  const int width = UnitsAcross(kCardWidthUnits, placement.dpi);
  const int height = UnitsDown(kCardHeightUnits, placement.dpi);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  CBitmap cardImage;
  cardImage.Attach(CreateDIBSection(page, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!cardImage) return 0;
  CMemoryDC memory(page);
  if (!memory) return 0;
  SetBkMode(memory, TRANSPARENT);
  SetStretchBltMode(memory, COLORONCOLOR);
  CSelectObject selected(memory, cardImage);
  wchar_t programFolder[kPathCapacity] = {};
  GetProgramFolder(kPathCapacity, programFolder);
  const SideCanvas side{memory, {static_cast<std::uint8_t*>(bits), width, height}, placement.dpi, programFolder};
  if (placement.mode & kPrintFront) {
    DrawFront(side, text, photoPath);
    CopyToPage(page, side, placement.front);
  }
  if (placement.mode & kPrintBack) {
    DrawBack(side, text);
    CopyToPage(page, side, placement.back);
  }
  return 1;
}
