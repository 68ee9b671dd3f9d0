// Shows what an import would do (numbers to add, numbers already listed,
// the first refused lines with their line numbers and reasons, and the
// count of the others) and lets the user choose to add the numbers whose
// check digit is wrong as well.
#pragma once

#include <windows.h>

#include <string>

#include "blacklist_editor/import_plan.h"
#include "framework/dialog.h"

class CImportSummaryDlg : public CDialog {
 public:
  CImportSummaryDlg(HWND parent, const ImportPlan& plan, const std::wstring& fileName);

  // After IDOK: the user chose to add the numbers with a wrong check digit.
  bool m_bIncludeWrongCheckDigits = false;

 protected:
  BOOL OnInitDialog() override;
  bool DoDataExchange(bool saveAndValidate) override;

 private:
  std::wstring CountsText() const;
  std::wstring RefusedLinesText() const;

  const ImportPlan& m_plan;
  std::wstring m_fileName;
};
