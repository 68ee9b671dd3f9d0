#include "blacklist_editor/text_list.h"

#include <cstdint>
#include <unordered_map>

#include "emulator/utf8_to_utf16.h"

namespace {

enum class Encoding { kUtf8, kUtf16Le, kUtf16Be };

Encoding DetectEncoding(std::string_view& bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
    return Encoding::kUtf8;
  }
  if (bytes.starts_with("\xFF\xFE")) {
    bytes.remove_prefix(2);
    return Encoding::kUtf16Le;
  }
  if (bytes.starts_with("\xFE\xFF")) {
    bytes.remove_prefix(2);
    return Encoding::kUtf16Be;
  }
  return Encoding::kUtf8;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

bool HasUnpairedSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return true;
    if (IsHighSurrogate(unit)) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return true;
      ++i;
    }
  }
  return false;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\x3000'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// What the summary keeps of a refused line's text.
std::u16string KeptText(std::u16string_view text) {
  if (text.size() <= kKeptRefusedText) return std::u16string(text);
  std::u16string kept(text.substr(0, kKeptRefusedText));
  if (IsHighSurrogate(kept.back())) kept.pop_back();
  kept.push_back(u'\x2026');
  return kept;
}

class ListBuilder {
 public:
  explicit ListBuilder(std::size_t maxNumbers) : m_maxNumbers(maxNumbers) {}

  // One line without its line break; `isText` is false when it could not
  // be decoded. False once the line was one number too many: the rest of
  // the file is not read.
  bool Add(std::u16string_view raw, bool isText) {
    ++m_line;
    const std::u16string_view text = Trim(raw);
    if (isText && (text.empty() || text.front() == u'#')) return true;
    if (!isText || HasUnpairedSurrogate(text) || text.find(u'\0') != std::u16string_view::npos) {
      Refuse({}, LineFault::kNotText);
      return true;
    }
    const std::size_t tab = text.find(u'\t');
    const std::u16string_view number = Trim(text.substr(0, tab));
    const std::u16string_view reason = tab == std::u16string_view::npos ? u"" : Trim(text.substr(tab + 1));
    if (reason.size() > kMaxReasonLength) {
      Refuse(number, LineFault::kTooLong);
      return true;
    }
    if (number.size() != kCitizenNumberLength) {
      Refuse(number, LineFault::kWrongLength);
      return true;
    }
    return AddNumber(std::u16string(number), reason);
  }

  TextList Take() { return std::move(m_list); }

 private:
  // A line whose number has the right length.
  bool AddNumber(std::u16string number, std::u16string_view reason) {
    const NumberCheck check = NormalizeCitizenNumber(number);
    if (check == NumberCheck::kWrongCharacters) {
      Refuse(number, LineFault::kWrongCharacters);
      return true;
    }
    const auto [first, isNew] = m_firstLines.try_emplace(number, m_line);
    if (!isNew) {
      Refuse(number, LineFault::kRepeated, first->second);
      return true;
    }
    if (m_firstLines.size() > m_maxNumbers) {
      m_list.tooManyNumbers = true;
      return false;
    }
    TextListLine content{m_line, std::move(number), std::u16string(reason)};
    if (check == NumberCheck::kWrongCheckDigit) {
      Refuse({content, LineFault::kWrongCheckDigit, 0});
      m_list.wrongCheckDigits.push_back(std::move(content));
    } else {
      m_list.numbers.push_back(std::move(content));
    }
    return true;
  }

  void Refuse(RefusedLine line) {
    ++m_list.refusedCount;
    if (m_list.refused.size() < kKeptRefusedLines) m_list.refused.push_back(std::move(line));
  }
  void Refuse(std::u16string_view text, LineFault fault, int firstLine = 0) {
    Refuse({{m_line, KeptText(text), {}}, fault, firstLine});
  }

  std::size_t m_maxNumbers;
  int m_line = 0;
  // Every different number read so far, with the line that holds it first.
  std::unordered_map<std::u16string, int> m_firstLines;
  TextList m_list;
};

void ReadUtf8Lines(std::string_view bytes, ListBuilder& builder) {
  std::u16string text;
  for (std::size_t start = 0; start <= bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    const bool isText = Utf8ToUtf16(bytes.substr(start, end - start), text);
    if (!builder.Add(isText ? text : std::u16string_view{}, isText)) return;
    start = end + 1;
  }
}

// One line at a time, so that a file of millions of short lines never
// stands in memory as millions of strings. A lone byte at the end cannot be
// a character; it becomes an unpaired surrogate, so the last line is
// refused as not text.
void ReadUtf16Lines(std::string_view bytes, bool bigEndian, ListBuilder& builder) {
  std::u16string line;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<std::uint8_t>(bytes[i]);
    const auto second = static_cast<std::uint8_t>(bytes[i + 1]);
    const auto unit = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    if (unit != u'\n') {
      line.push_back(unit);
      continue;
    }
    if (!builder.Add(line, true)) return;
    line.clear();
  }
  if (bytes.size() % 2 != 0) line.push_back(u'\xDC00');
  builder.Add(line, true);
}

void AppendUtf8(char32_t point, std::string& out) {
  if (point < 0x80) {
    out.push_back(static_cast<char>(point));
  } else if (point < 0x800) {
    out.push_back(static_cast<char>(0xC0 | point >> 6));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else if (point < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | point >> 12));
    out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | point >> 18));
    out.push_back(static_cast<char>(0x80 | (point >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
  }
}

// Text as UTF-8, with a replacement character for each unpaired surrogate
// (a reason written by another program may hold one).
void AppendUtf16AsUtf8(std::u16string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t point = text[i];
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      point = 0xFFFD;
    } else if (point == u'\t' || point == u'\r' || point == u'\n') {
      point = u' ';
    }
    AppendUtf8(point, out);
  }
}

}  // namespace

TextList ReadTextList(std::string_view bytes, std::size_t maxNumbers) {
  ListBuilder builder(maxNumbers);
  const Encoding encoding = DetectEncoding(bytes);
  if (encoding == Encoding::kUtf8) {
    ReadUtf8Lines(bytes, builder);
  } else {
    ReadUtf16Lines(bytes, encoding == Encoding::kUtf16Be, builder);
  }
  return builder.Take();
}

void AppendTextListLine(std::u16string_view number, std::u16string_view reason, std::string& out) {
  AppendUtf16AsUtf8(number, out);
  if (!reason.empty()) {
    out.push_back('\t');
    AppendUtf16AsUtf8(reason, out);
  }
  out += "\r\n";
}
