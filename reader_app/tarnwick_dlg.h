// The reader program's only window: a captionless, rounded, card-shaped
// dialog that shows the last card read as a card face, a status line and a
// toolbar. It owns the card polling thread, turns the thread's messages
// into the status line, the alarm and the displayed card, and keeps the last
// card read for printing.
#pragma once

#include <windows.h>

#include "card/card_info.h"
#include "central/blacklist_pull.h"
#include "central/central_sender.h"
#include "framework/dialog.h"
#include "framework/gdi_objects.h"
#include "framework/icon.h"
#include "framework/image_list.h"
#include "framework/toolbar_ctrl.h"
#include "reader/card_poll.h"
#include "reader_app/last_card_photo.h"
#include "reader_app/recent_reads.h"

inline constexpr UINT_PTR kHideTimer = 1;
inline constexpr UINT_PTR kClearTimer = 2;
inline constexpr UINT kClearDelayMs = 20000;
inline constexpr int kStatusCapacity = 64;

// The hide timer's period for an interval of seconds (above 0), capped at
// the longest period a timer can have.
UINT HideTimerPeriodMs(int seconds);

class CTarnwickDlg : public CDialog {
 public:
  CTarnwickDlg();

  int m_nScale = 2;
  int m_bSound = 0;
  int m_bAlarm = 0;
  int m_bReaderReady = 0;
  // The status line shows a warning (a blacklist check that failed, a late
  // alarm for an earlier read) in the alarm's colour.
  int m_bWarning = 0;
  // The number of the read on the face (0 before the first), and how many
  // reads wait to be stored.
  unsigned m_nShownRead = 0;
  int m_nReadsWaiting = 0;
  CIcon m_hIcon;
  CIcon m_hAlarmIcon;
  CBitmap m_hBackground;
  CBitmap m_hPhoto;
  HANDLE m_hPollThread = nullptr;
  wchar_t m_szStatus[kStatusCapacity] = {};
  CardInfo m_cardShown{};
  CardInfo m_cardLast{};
  // The photo printed with m_cardLast.
  LastCardPhoto m_photoLast;
  // The last reads' numbers and names, so that an alarm that arrives after
  // the face moved on names the person it is about.
  RecentReads m_recentReads;
  // The printer dialog is open: a read then neither restarts the hide
  // timer nor brings the window forward over the dialog.
  bool m_bPrinting = false;
  // Forwards the stored reads to the central server when central records
  // are on; its text about the server while one is to be said.
  CentralSender m_centralSender;
  // Keeps the local blacklist the central one when central records are on.
  BlacklistPull m_blacklistPull;
  wchar_t m_szCentral[kStatusCapacity] = {};
  int m_nClientWidth = 0;
  int m_nClientHeight = 0;
  CRgn m_rgnWindow;
  CToolBarCtrl m_toolBar;
  CImageList m_imageList;

 protected:
  bool DoDataExchange(bool saveAndValidate) override;
  BOOL OnInitDialog() override;
  const MessageTable* GetMessageTable() const override;

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnQueryDragIcon(WPARAM, LPARAM);
  LRESULT OnContextMenu(WPARAM, LPARAM lParam);
  LRESULT OnSize(WPARAM, LPARAM lParam);
  LRESULT OnTimer(WPARAM timer, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);
  LRESULT OnLButtonDown(WPARAM, LPARAM lParam);
  LRESULT OnSysCommand(WPARAM command, LPARAM);
  LRESULT OnCardStatus(WPARAM kind, LPARAM code);
  LRESULT OnCardRead(WPARAM, LPARAM);
  LRESULT OnCentralStatus(WPARAM, LPARAM);
  LRESULT OnToolTipText(NMHDR* header);
  void OnSound();
  void OnSizeCommand(UINT id);
  void OnBlacklist();
  void OnQuery();
  void OnConfig();
  void OnMinimize();
  void OnPrint();
  void OnHelp();
  // F1: the same message as the help command.
  LRESULT OnF1Help(WPARAM, LPARAM);
  void OnExit();

  void ApplySizeMode(int mode);
  void CreateToolBar();
  static RECT ToolBarPlace(int width, int height);
  void LoadBackground();
  void ShowLoopStatus(int code);
  void ShowBlacklistHit(unsigned sequence);
  void ShowReadsWaiting(int count);
  void ShowBlacklistCleared(unsigned sequence);
  // "请放卡...", or how many reads wait to be stored while any do.
  void ShowReadyPrompt();
  void ClearShownCard();
  void SetStatus(const wchar_t* text);
  void StartCentralRecords();
  void StopCentralRecords();
  void StartPolling();
  void StopPolling();
  void RestartHideTimer();
  void RestartClearTimer();
};
