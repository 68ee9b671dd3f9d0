// Dialogs that exercise the framework: every kind of message table entry,
// the wrappers, a nested modal dialog and a failing handler.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "framework/gdi_objects.h"
#include "framework/image_list.h"
#include "framework/list_ctrl.h"
#include "framework/toolbar_ctrl.h"
#include "framework/tree_ctrl.h"
#include "test_dialog_ids.h"

// A message the dialog answers through its table with wParam + lParam.
inline constexpr UINT kAddMessage = WM_APP + 5;

class CNestedDlg : public CDialog {
 public:
  explicit CNestedDlg(HWND parent) : CDialog(IDD_NESTED, parent) {}
};

class CTestDlg : public CDialog {
 public:
  explicit CTestDlg(bool roundCorners = false);

  // What the handlers saw, for the tests to check.
  bool initRan = false;
  bool okRan = false;
  std::wstring nameAtOk;
  int pressCount = 0;
  UINT lastSizeCommand = 0;
  LPARAM selectedTreeData = -1;
  INT_PTR nestedResult = 0;

  CListCtrl m_list;
  CTreeCtrl m_tree;
  CToolBarCtrl m_toolBar;
  CImageList m_imageList;
  CRgn m_rgnWindow;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  const MessageTable* GetMessageTable() const override;

 private:
  void FillList();
  void FillTree();
  void CreateToolBar();

  void OnPress();
  void OnOpenNested();
  void OnThrow();
  void OnSizeMode(UINT id);
  LRESULT OnAdd(WPARAM wParam, LPARAM lParam);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);
  LRESULT OnTreeSelectionChanged(NMHDR* header);
  LRESULT OnToolTipText(NMHDR* header);

  bool m_roundCorners;
  CFont m_font;
};

// Takes over the press button of its base and keeps everything else.
class CDerivedDlg : public CTestDlg {
 public:
  int derivedPressCount = 0;

 protected:
  const MessageTable* GetMessageTable() const override;

 private:
  void OnPressInstead() { ++derivedPressCount; }
};
