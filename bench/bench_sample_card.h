// The made-up card the drawing and printing benchmarks show: every field
// filled, a long address, a citizen number ending in "X".
#pragma once

#include <cwchar>

#include "card/card_info.h"

inline CardInfo BenchSampleCard() {
  CardInfo card{};
  wcscpy_s(card.name, L"苏映秋");
  wcscpy_s(card.sex, L"女");
  wcscpy_s(card.nation, L"回");
  wcscpy_s(card.birth, L"19920314");
  wcscpy_s(card.birthText, L"1992年03月14日");
  wcscpy_s(card.address, L"南湖省青石市云岭县石桥镇溪口村5组");
  wcscpy_s(card.idNumber, L"99052119920314002X");
  wcscpy_s(card.authority, L"青石市公安局云岭分局");
  wcscpy_s(card.validityText, L"2015.06.20-2035.06.20");
  wcscpy_s(card.newAddress, L"南湖省青石市江滨路66号3栋");
  return card;
}
