// What importing a text list would do to the blacklist, worked out before
// anything is written so that the user can see it and decide.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "blacklist_editor/text_list.h"

struct ImportPlan {
  std::vector<TextListLine> toAdd;  // valid numbers no row holds yet
  int alreadyListed = 0;            // valid numbers some row holds already
  // Numbers with a wrong check digit that no row holds yet: added only when
  // the user says the cards are printed that way.
  std::vector<TextListLine> wrongCheckDigits;
  // The refused lines kept for the summary, in file order, and the count of
  // every refused line.
  std::vector<RefusedLine> refused;
  std::size_t refusedCount = 0;
};

ImportPlan PlanImport(TextList list, const std::unordered_set<std::u16string>& listed);
