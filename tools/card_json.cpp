#include "tools/card_json.h"

void AddCardFields(JsonLine& line, const CardInfo& card) {
  line.Add("name", card.name).Add("sex", card.sex).Add("nation", card.nation).Add("birth", card.birth);
  line.Add("address", card.address).Add("idNumber", card.idNumber).Add("authority", card.authority);
  line.Add("validFrom", card.validFrom).Add("validTo", card.validTo).Add("newAddress", card.newAddress);
  line.Add("birthText", card.birthText).Add("validityText", card.validityText);
}
