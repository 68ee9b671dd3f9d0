#include "query_tool/card_print.h"

#include "common/print_job.h"

CardFaceText RowFaceText(const CardRow& row) {
  CardFaceText text{};
  FillCardFaceText(row, text);
  return text;
}

void PrintCardRow(HWND owner, const CardRow& row, const std::wstring& photoPath) {
  PrintCardFace(owner, RowFaceText(row), kFaceSlotCount, photoPath.c_str());
}
