#include "blacklist_editor/import_plan.h"

ImportPlan PlanImport(TextList list, const std::unordered_set<std::u16string>& listed) {
  ImportPlan plan;
  for (TextListLine& line : list.numbers) {
    if (listed.contains(line.number)) {
      ++plan.alreadyListed;
    } else {
      plan.toAdd.push_back(std::move(line));
    }
  }
  for (TextListLine& line : list.wrongCheckDigits) {
    if (!listed.contains(line.number)) plan.wrongCheckDigits.push_back(std::move(line));
  }
  plan.refused = std::move(list.refused);
  plan.refusedCount = list.refusedCount;
  return plan;
}
