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

  DOCINFOW document{};
  document.cbSize = sizeof(document);
  document.lpszDocName = L"IDCard";
  if (StartDocW(request.hDC, &document) > 0 && StartPage(request.hDC) > 0) {
    ComposeCardFaces(request.hDC, text, photoPath);
  }
  // Ended in every case, so that a half-started job does not linger.
  EndPage(request.hDC);
  EndDoc(request.hDC);

  if (request.hDevMode != nullptr) GlobalFree(request.hDevMode);
  if (request.hDevNames != nullptr) GlobalFree(request.hDevNames);
  if (request.hDC != nullptr) DeleteDC(request.hDC);
}
