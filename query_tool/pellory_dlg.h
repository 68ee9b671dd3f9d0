// The query window: search inputs, a tree of years and months, the result
// list fifty rows to a page with paging through the spin control, sorting
// by column, and the card detail dialog on a double click. It only reads
// its source (the card database, or with a search connection set every
// counter's reads on the central server, with their stations), opening it
// around each user action; an action that cannot read it says so in the
// status line.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <memory>

#include "common/card_database.h"
#include "framework/dialog.h"
#include "framework/icon.h"
#include "framework/image_list.h"
#include "framework/list_ctrl.h"
#include "framework/tree_ctrl.h"
#include "query_tool/card_row.h"
#include "query_tool/id_card_dlg.h"
#include "query_tool/list_row.h"
#include "query_tool/read_source.h"
#include "query_tool/resize_layout.h"

// Shown in the status line when a search, a page or the month tree could
// not be read from the database.
inline constexpr wchar_t kQueryFailedText[] = L"无法读取数据库，查询未能完成，请稍后重试。";
inline constexpr wchar_t kMonthTreeFailedText[] = L"无法读取数据库，月份列表未能载入。";

class CPelloryDlg : public CDialog {
 public:
  CPelloryDlg();

  std::int32_t m_nTotal = 0;
  QueryContext m_query{};
  CResizeLayout m_layout;
  CIcon m_hIcon;
  CImageList m_hTreeImages;
  std::int32_t m_nSortColumn = 0;
  bool m_bSortAscending[kMostListColumns] = {};
  CListCtrl m_list;
  CTreeCtrl m_tree;
  // How long each action waits for another program's lock on the database.
  int m_nLockWaitMs = kDatabaseBusyTimeoutMs;
  // How the detail dialog asks the blacklist while it cannot tell.
  BlacklistRecheck m_blacklistRecheck;
  // Where the reads come from, chosen from the settings when the window
  // opens.
  std::unique_ptr<ReadSource> m_source;

 protected:
  BOOL OnInitDialog() override;
  // Enter and the "查询" button run the query; the window stays open.
  void OnOK() override;
  const MessageTable* GetMessageTable() const override;

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnQueryDragIcon(WPARAM, LPARAM);
  LRESULT OnSize(WPARAM type, LPARAM size);
  LRESULT OnDestroy(WPARAM, LPARAM);
  LRESULT OnPageSpin(NMHDR* header);
  LRESULT OnColumnClick(NMHDR* header);
  LRESULT OnListDoubleClick(NMHDR* header);
  LRESULT OnMonthPicked(NMHDR* header);
  // "输出查询结果": all hits of the last query into a spreadsheet file.
  void OnExport();

  void InsertColumns();
  void SetUpLayout();
  void FillMonthTree();
  void RunQuery();
  void ReadQueryFromControls();
  // Reads the page at m_query.offset from the open source into the emptied
  // list; false when it failed, which leaves the list empty.
  bool ReadPage();
  // Counts the hits and reads the first page; false when the source could
  // not be read.
  bool CountAndReadFirstPage();
  void ShowStatus(const wchar_t* text);
  void SortByColumn(int column);
  void OpenCardDetail(int item);
};
