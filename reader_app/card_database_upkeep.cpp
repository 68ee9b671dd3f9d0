#include "reader_app/card_database_upkeep.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "common/card_database.h"
#include "common/card_database_upgrade.h"
#include "common/message_box.h"
#include "common/search_statistics.h"
#include "reader_app/progress_window.h"

namespace {

constexpr ProgressTexts kConversionTexts{
    L"转换验卡记录库", L"正在把验卡记录库 card2 转换为新的格式，以加快查询。请稍候……"};
constexpr ProgressTexts kStatisticsTexts{
    L"更新查询统计", L"正在更新验卡记录库的查询统计，以加快查询。请稍候……"};
// The failed step and its code (SQLite's, or the system's for a file).
constexpr wchar_t kConversionFailed[] =
    L"验卡记录库 card2 未能转换为新的格式（%ls，代码 %d）。程序继续使用原来的文件，记录不受影响。";

const wchar_t* StepText(UpgradeStep step) {
  switch (step) {
    case UpgradeStep::kPrepare:
      return L"复制新格式的空白数据库";
    case UpgradeStep::kCopy:
      return L"复制记录";
    case UpgradeStep::kCheck:
      return L"核对记录条数";
    default:  // kReplace
      return L"替换原来的文件";
  }
}

void ConvertOldForm() {
  UpgradeResult result;
  RunWithProgressWindow(kConversionTexts, true, [&result](const ProgressReport& report) {
    result = UpgradeCardDatabase(report);
    return 0;
  });
  if (result.failedAt == UpgradeStep::kNone) return;
  wchar_t text[256];
  std::swprintf(text, std::size(text), kConversionFailed, StepText(result.failedAt), result.code);
  ShowMessageBox(nullptr, text, L"", MB_OK | MB_ICONWARNING);
}

}  // namespace

void KeepCardDatabaseCurrent() {
  if (CardDatabaseForm() == DatabaseForm::kOld) ConvertOldForm();
  // A card2 made before the search indices gets them; searches still work
  // (slowly) when this fails.
  AddQueryIndexes();
  if (SearchStatisticsAreDue()) {
    RunWithProgressWindow(kStatisticsTexts, false, [](const ProgressReport&) { return UpdateSearchStatistics(); });
  }
}
