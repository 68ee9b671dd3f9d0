// The main window's print command.
#include "reader_app/tarnwick_dlg.h"

#include "common/card_face_text.h"
#include "common/print_job.h"

// Prints the last card read, also after the clear timer blanked the face;
// before the first read every text is empty and there is no photo.
void CTarnwickDlg::OnPrint() {
  KillTimer(m_hWnd, kHideTimer);
  CardFaceText text;
  FillCardFaceText(m_cardLast, text);
  m_bPrinting = true;
  PrintCardFace(m_hWnd, text, kFaceSlotCount, m_photoLast.PrintCopy());
  m_bPrinting = false;
  m_photoLast.ReleasePrintCopy();
  RestartHideTimer();
}
