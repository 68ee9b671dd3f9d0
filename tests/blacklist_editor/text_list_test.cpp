// Citizen number checks and reading text lists into what an import would
// add and refuse.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "blacklist_editor/citizen_number.h"
#include "blacklist_editor/import_plan.h"
#include "blacklist_editor/text_list.h"

namespace {

// Valid numbers of made-up people: one ending in a digit, one in X.
constexpr char16_t kValid[] = u"110105194912310038";
constexpr char16_t kValidX[] = u"99052119920314002X";
constexpr char16_t kWrongCheck[] = u"110105194912310039";

NumberCheck Check(std::u16string number) { return NormalizeCitizenNumber(number); }

std::string Utf16Le(const std::u16string& text) {
  std::string bytes("\xFF\xFE");
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(CitizenNumberTest, AcceptsValidNumbersAndRefusesEveryKindOfWrongOne) {
  EXPECT_EQ(Check(kValid), NumberCheck::kValid);
  EXPECT_EQ(Check(kValidX), NumberCheck::kValid);
  std::u16string lower = u"99052119920314002x";
  EXPECT_EQ(NormalizeCitizenNumber(lower), NumberCheck::kValid);
  EXPECT_EQ(lower, kValidX);

  EXPECT_EQ(Check(u"11010519491231002"), NumberCheck::kWrongLength);
  EXPECT_EQ(Check(u"1101051949123100381"), NumberCheck::kWrongLength);
  EXPECT_EQ(Check(u""), NumberCheck::kWrongLength);
  EXPECT_EQ(Check(u"11010519491231003A"), NumberCheck::kWrongCharacters);
  EXPECT_EQ(Check(u"1101X5194912310021"), NumberCheck::kWrongCharacters);
  EXPECT_EQ(Check(u"１10105194912310021"), NumberCheck::kWrongCharacters);  // a full-width digit
  EXPECT_EQ(Check(kWrongCheck), NumberCheck::kWrongCheckDigit);
  EXPECT_EQ(CitizenCheckDigit(u"11010519491231003"), u'8');
}

// The check digit by its definition (ISO 7064 MOD 11-2), worked without the
// weights: the digits are folded in from the left, doubling modulo 11, and
// the check value brings the total to 1 modulo 11; 10 is written X.
char16_t DefinedCheckDigit(std::u16string_view first17) {
  int folded = 0;
  for (const char16_t digit : first17) folded = (folded + (digit - u'0')) * 2 % 11;
  const int check = (12 - folded) % 11;
  return check == 10 ? u'X' : static_cast<char16_t>(u'0' + check);
}

TEST(CitizenNumberTest, TheCheckDigitFollowsItsDefinitionAtEveryWeightAndForEveryRemainder) {
  constexpr std::u16string_view kCheckCharacters = u"0123456789X";
  std::set<char16_t> checkDigitsMet;
  // One digit on zeros: the sum is that digit times its position's weight,
  // so every weight is tried, and the sums meet every remainder (0 with the
  // digit 0).
  for (std::size_t position = 0; position < 17; ++position) {
    for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
      std::u16string first17(17, u'0');
      first17[position] = digit;
      const char16_t expected = DefinedCheckDigit(first17);
      checkDigitsMet.insert(expected);
      ASSERT_EQ(CitizenCheckDigit(first17), expected) << "digit " << static_cast<char>(digit) << " at " << position;
      for (const char16_t last : kCheckCharacters) {
        const NumberCheck check = Check(first17 + last);
        EXPECT_EQ(check, last == expected ? NumberCheck::kValid : NumberCheck::kWrongCheckDigit)
            << "position " << position << ", last " << static_cast<char>(last);
      }
    }
  }
  // Each of the eleven check characters stands for one remainder.
  EXPECT_EQ(checkDigitsMet.size(), kCheckCharacters.size());
}

TEST(TextListTest, ReadsEveryEncodingAndLineEndAlike) {
  const std::u16string text = u"# 通报名单\r\n\r\n110105194912310038\t在逃人员\r\n  \r\n99052119920314002x\r\n";
  std::string utf8 =
      "# \xE9\x80\x9A\xE6\x8A\xA5\xE5\x90\x8D\xE5\x8D\x95\r\n\r\n110105194912310038\t\xE5\x9C\xA8\xE9\x80\x83"
      "\xE4\xBA\xBA\xE5\x91\x98\r\n  \r\n99052119920314002x\r\n";
  std::string lf;
  for (char c : utf8) {
    if (c != '\r') lf.push_back(c);
  }
  for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, lf, Utf16Le(text)}) {
    const TextList list = ReadTextList(bytes);
    ASSERT_EQ(list.numbers.size(), 2u);
    EXPECT_TRUE(list.refused.empty());
    EXPECT_EQ(list.numbers[0].line, 3);
    EXPECT_EQ(list.numbers[0].number, kValid);
    EXPECT_EQ(list.numbers[0].reason, u"在逃人员");
    EXPECT_EQ(list.numbers[1].line, 5);
    EXPECT_EQ(list.numbers[1].number, kValidX);
    EXPECT_EQ(list.numbers[1].reason, u"");
  }
}

TEST(TextListTest, RefusesBadLinesWithTheirLineNumbersAndReasons) {
  const std::string longReason(kMaxReasonLength + 1, 'a');
  const std::string bytes =
      "110105194912310038\tfirst\n"
      "11010519491231002\n"
      "11010519491231003A\n"
      "110105194912310039\tprinted so\n"
      "110105194912310038\tagain\n"
      "99052119920314002X\t" + longReason + "\n"
      "99052119920314002X\t\xC3\x28\n"
      "99052119920314002X\t" + std::string(kMaxReasonLength, 'b') + "\n";
  const TextList list = ReadTextList(bytes);
  ASSERT_EQ(list.numbers.size(), 2u);
  EXPECT_EQ(list.numbers[1].line, 8);
  ASSERT_EQ(list.refused.size(), 6u);
  const LineFault faults[] = {LineFault::kWrongLength, LineFault::kWrongCharacters, LineFault::kWrongCheckDigit,
                              LineFault::kRepeated,    LineFault::kTooLong,         LineFault::kNotText};
  for (std::size_t i = 0; i < std::size(faults); ++i) {
    EXPECT_EQ(list.refused[i].fault, faults[i]) << "refused line " << i;
    EXPECT_EQ(list.refused[i].content.line, static_cast<int>(i) + 2);
  }
  EXPECT_EQ(list.refused[2].content.reason, u"printed so");
  EXPECT_EQ(list.refused[3].firstLine, 1);
}

TEST(TextListTest, AnEmptyOrBrokenFileYieldsNoNumbers) {
  EXPECT_TRUE(ReadTextList("").numbers.empty());
  EXPECT_TRUE(ReadTextList("").refused.empty());
  EXPECT_TRUE(ReadTextList("\xEF\xBB\xBF").refused.empty());
  // A UTF-16 file cut in the middle of a character.
  const TextList cut = ReadTextList(Utf16Le(u"110105194912310038\n9") + "\x39");
  EXPECT_EQ(cut.numbers.size(), 1u);
  ASSERT_EQ(cut.refused.size(), 1u);
  EXPECT_EQ(cut.refused[0].fault, LineFault::kNotText);
}

TEST(TextListTest, KeepsTheFirstRefusedLinesCutShortAndCountsTheRest) {
  const std::string longLine(100000, '7');
  std::string bytes = longLine + "\n";
  for (std::size_t i = 0; i < kKeptRefusedLines + 5; ++i) bytes += "12345\n";
  bytes += "110105194912310038\n";
  const TextList list = ReadTextList(bytes);
  ASSERT_EQ(list.refused.size(), kKeptRefusedLines);
  EXPECT_EQ(list.refusedCount, kKeptRefusedLines + 6);
  EXPECT_EQ(list.refused[0].content.number, std::u16string(kKeptRefusedText, u'7') + u"\x2026");
  EXPECT_EQ(list.refused.back().content.line, static_cast<int>(kKeptRefusedLines));
  // The lines past the kept ones are still read.
  ASSERT_EQ(list.numbers.size(), 1u);
  EXPECT_EQ(list.numbers[0].line, static_cast<int>(kKeptRefusedLines) + 7);
}

TEST(TextListTest, StopsAtTheFirstNumberOverTheLimitCountingEachNumberOnce) {
  const std::string bytes =
      "110105194912310038\n"
      "110105194912310038\n"
      "110105194912310039\n"
      "99052119920314002X\n";
  const TextList atLimit = ReadTextList(bytes, 3);
  EXPECT_FALSE(atLimit.tooManyNumbers);
  EXPECT_EQ(atLimit.numbers.size(), 2u);
  EXPECT_EQ(atLimit.wrongCheckDigits.size(), 1u);
  // A wrong check digit counts, since it may be imported all the same.
  const TextList overLimit = ReadTextList(bytes, 2);
  EXPECT_TRUE(overLimit.tooManyNumbers);
  EXPECT_EQ(overLimit.numbers.size(), 1u);
  EXPECT_EQ(overLimit.wrongCheckDigits.size(), 1u);
}

TEST(ImportPlanTest, SeparatesNewNumbersListedOnesAndWrongCheckDigits) {
  const TextList list = ReadTextList(
      "110105194912310038\n99052119920314002X\n110105194912310039\n99052119920314002Y\n");
  const ImportPlan plan = PlanImport(list, {u"99052119920314002X"});
  ASSERT_EQ(plan.toAdd.size(), 1u);
  EXPECT_EQ(plan.toAdd[0].number, kValid);
  EXPECT_EQ(plan.alreadyListed, 1);
  ASSERT_EQ(plan.wrongCheckDigits.size(), 1u);
  EXPECT_EQ(plan.wrongCheckDigits[0].line, 3);
  EXPECT_EQ(plan.refused.size(), 2u);
  EXPECT_EQ(plan.refusedCount, 2u);
  // A wrong check digit that is listed already is not offered again.
  EXPECT_TRUE(PlanImport(list, {u"110105194912310039"}).wrongCheckDigits.empty());
}

}  // namespace
