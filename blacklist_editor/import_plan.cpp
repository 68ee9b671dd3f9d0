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
  for (const RefusedLine& line : list.refused) {
    if (line.fault == LineFault::kWrongCheckDigit && !listed.contains(line.content.number)) {
      plan.wrongCheckDigits.push_back(line.content);
    }
  }
  plan.refused = std::move(list.refused);
  return plan;
}
