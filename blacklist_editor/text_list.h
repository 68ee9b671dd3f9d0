// The blacklist as a text list, the form in which notices arrive and in
// which the editor exports: one citizen number a line, optionally followed
// by a tab and the reason. Blank lines and lines starting with "#" are
// skipped. Files are UTF-8 (with or without a byte-order mark) or UTF-16
// with a byte-order mark; exports are UTF-8 with a byte-order mark and
// CRLF line ends, so that the platform's editors open them as Unicode.
#pragma once

#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "blacklist_editor/citizen_number.h"

// The longest reason the editor stores; a longer one is refused rather
// than cut, so that what the user sees is what the list holds.
inline constexpr std::size_t kMaxReasonLength = 200;

struct TextListLine {
  int line = 0;  // counted from 1
  std::u16string number;
  std::u16string reason;
};

enum class LineFault {
  kWrongLength,
  kWrongCharacters,
  kWrongCheckDigit,
  kRepeated,  // the file lists the number on an earlier line already
  kTooLong,   // the reason is longer than kMaxReasonLength
  kNotText,   // not valid text in the file's encoding
};

struct RefusedLine {
  // The reason is kept only for a wrong check digit, which may be imported
  // all the same; the number is the line's text before any tab, cut to
  // kKeptRefusedText characters and an ellipsis.
  TextListLine content;
  LineFault fault = LineFault::kNotText;
  int firstLine = 0;  // for kRepeated: the line that lists the number first
};

// What is kept of the refused lines for the summary: the first
// kKeptRefusedLines of them, each with at most kKeptRefusedText characters
// of its text. The others are only counted, so that a file of millions of
// bad lines, or one line of megabytes, takes little memory.
inline constexpr std::size_t kKeptRefusedLines = 1000;
inline constexpr std::size_t kKeptRefusedText = 40;

struct TextList {
  // Well-formed numbers with a matching check digit, each number once, in
  // the order of the file.
  std::vector<TextListLine> numbers;
  // Well-formed numbers whose check digit does not match, each number once,
  // in the order of the file; they stand among the refused lines as well.
  std::vector<TextListLine> wrongCheckDigits;
  // The first refused lines (every line that is neither blank, nor a
  // comment, nor in `numbers`), in file order, and the count of all of them.
  std::vector<RefusedLine> refused;
  std::size_t refusedCount = 0;
  // The file holds more different numbers (valid or with a wrong check
  // digit) than the reader was allowed; reading stopped at the first one
  // too many, so the rest of the list is incomplete.
  bool tooManyNumbers = false;
};

TextList ReadTextList(std::string_view bytes, std::size_t maxNumbers = std::numeric_limits<std::size_t>::max());

// The byte-order mark that starts an exported list, and one exported line.
// Tabs and line breaks inside a reason become spaces so that the line reads
// back as the same number and reason.
inline constexpr std::string_view kTextListStart = "\xEF\xBB\xBF";
void AppendTextListLine(std::u16string_view number, std::u16string_view reason, std::string& out);
