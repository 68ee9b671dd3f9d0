#include "common/print_job.h"

#include <commdlg.h>

#include "common/card_compose.h"

void PrintCardFace(HWND owner, const CardFaceText& text, int, const wchar_t* photoPath) {
  PRINTDLGW request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = owner;
  // Copies come from the printer's own count: the program sends one page.
  request.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  request.nFromPage = request.nToPage = request.nMinPage = request.nMaxPage = 1;
  request.nCopies = 1;
  if (!PrintDlgW(&request)) return;

  if (request.hDC != nullptr) {
    PrintOnePage(request.hDC, [&](HDC printer) { return ComposeCardFaces(printer, text, photoPath); });
  }

  if (request.hDevMode != nullptr) GlobalFree(request.hDevMode);
  if (request.hDevNames != nullptr) GlobalFree(request.hDevNames);
  if (request.hDC != nullptr) DeleteDC(request.hDC);
}

bool PrintOnePage(HDC printer, const PageDrawing& drawPage) {
  DOCINFOW document{};
  document.cbSize = sizeof(document);
  document.lpszDocName = L"IDCard";
  if (StartDocW(printer, &document) <= 0) return false;
  if (StartPage(printer) > 0 && drawPage(printer) != 0 && EndPage(printer) > 0) return EndDoc(printer) > 0;
  // Ended, the document would come out as a blank page, or as a job
  // without one; abandoned, it never reaches the printer.
  AbortDoc(printer);
  return false;
}
