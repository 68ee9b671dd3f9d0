// A card's fields in a JSON line, each under its record name.
#pragma once

#include "card/card_info.h"
#include "tools/json_line.h"

void AddCardFields(JsonLine& line, const CardInfo& card);
