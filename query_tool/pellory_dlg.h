// The query window: search inputs, a tree of years and months, the result
// list fifty rows to a page with paging through the spin control, sorting
// by column, and the card detail dialog on a double click. It only reads
// the card database, opening it around each user action.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>

#include "framework/dialog.h"
#include "framework/icon.h"
#include "framework/image_list.h"
#include "framework/list_ctrl.h"
#include "framework/tree_ctrl.h"
#include "query_tool/card_row.h"
#include "query_tool/list_row.h"
#include "query_tool/resize_layout.h"

struct sqlite3;

class CPelloryDlg : public CDialog {
 public:
  CPelloryDlg();

  std::int32_t m_nTotal = 0;
  QueryContext m_query{};
  CResizeLayout m_layout;
  CIcon m_hIcon;
  CImageList m_hTreeImages;
  std::int32_t m_nSortColumn = 0;
  bool m_bSortAscending[kListColumns] = {};
  CListCtrl m_list;
  CTreeCtrl m_tree;

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
  // Reads the page at m_query.offset into the emptied list.
  void ReadPage(sqlite3* db);
  void ShowStatus(const wchar_t* text);
  void SortByColumn(int column);
  void OpenCardDetail(int item);
};
