// The card detail dialog: one stored read as a card face on a borderless,
// rounded window, with its archived photo and the blacklist alarm, and a
// toolbar to print it or close the window. Dragged by any point of its face.
// While the blacklist cannot be read the dialog says so in the alarm's
// colour and asks again, and raises the alarm when the answer comes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/card_database.h"
#include "framework/dialog.h"
#include "framework/gdi_objects.h"
#include "framework/icon.h"
#include "framework/image_list.h"
#include "framework/toolbar_ctrl.h"
#include "query_tool/card_row.h"

// The archived photo of the read: <save folder>YYYYMM\DD_<number>.bmp
// under its reading date. Empty when the number is not one the archive
// would have stored (so that no text from the database can name a file
// outside the save folder), the date is not in its listed form, or the path
// does not fit.
std::wstring RowPhotoPath(const CardRow& row);

// How the dialog asks the blacklist while it cannot tell: each lookup waits
// at most waitMs for another program's lock (the window waits with it), the
// next one follows periodMs later, and after attempts of them the dialog
// stops asking and goes on showing that the check failed. lookUp asks the
// list the read's source goes by.
struct BlacklistRecheck {
  int waitMs = 500;
  UINT periodMs = 2000;
  int attempts = 30;
  std::function<BlacklistAnswer(const wchar_t* cardid, int waitMs)> lookUp = [](const wchar_t* cardid, int waitMs) {
    return LookUpBlacklist(cardid, waitMs);
  };
};

class CIDCardDlg : public CDialog {
 public:
  CIDCardDlg(const CardRow& row, BlacklistAnswer blacklist, HWND parent, BlacklistRecheck recheck = {});

  CardRow m_row{};
  // The bitmap shown and printed as the read's photo: the archived photo
  // (RowPhotoPath) unless the caller names another before the dialog runs.
  std::wstring m_photoPath;
  BlacklistAnswer m_blacklist = BlacklistAnswer::kNotListed;
  BlacklistRecheck m_recheck;
  // Lookups made since the dialog opened.
  int m_nRechecks = 0;
  CBitmap m_hPhoto;
  CBitmap m_hBackground;
  CIcon m_hAlarmIcon;
  int m_nWidth = 0;
  int m_nHeight = 0;
  CRgn m_rgnWindow;
  CToolBarCtrl m_toolBar;
  CImageList m_imageList;

 protected:
  BOOL OnInitDialog() override;
  const MessageTable* GetMessageTable() const override;

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnLButtonDown(WPARAM, LPARAM lParam);
  LRESULT OnDestroy(WPARAM, LPARAM);
  LRESULT OnTimer(WPARAM timer, LPARAM);
  void OnPrint();
  void OnClose();

  void CreateToolBar();
};
