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

// Raw lines of a UTF-16 file. A lone byte at the end cannot be a character;
// it becomes an unpaired surrogate, so the last line is refused as not text.
std::vector<std::u16string> SplitUtf16(std::string_view bytes, bool bigEndian) {
  std::vector<std::u16string> lines(1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<std::uint8_t>(bytes[i]);
    const auto second = static_cast<std::uint8_t>(bytes[i + 1]);
    const auto unit = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    if (unit == u'\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(unit);
    }
  }
  if (bytes.size() % 2 != 0) lines.back().push_back(u'\xDC00');
  return lines;
}

bool HasUnpairedSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return true;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
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

LineFault FaultOf(NumberCheck check) {
  switch (check) {
    case NumberCheck::kWrongLength:
      return LineFault::kWrongLength;
    case NumberCheck::kWrongCheckDigit:
      return LineFault::kWrongCheckDigit;
    default:
      return LineFault::kWrongCharacters;
  }
}

class ListBuilder {
 public:
  // One line without its line break; `isText` is false when it could not
  // be decoded.
  void Add(std::u16string_view raw, bool isText) {
    ++m_line;
    const std::u16string_view text = Trim(raw);
    if (isText && (text.empty() || text.front() == u'#')) return;
    TextListLine content{m_line, {}, {}};
    if (!isText || HasUnpairedSurrogate(text) || text.find(u'\0') != std::u16string_view::npos) {
      Refuse(std::move(content), LineFault::kNotText);
      return;
    }
    const std::size_t tab = text.find(u'\t');
    content.number = Trim(text.substr(0, tab));
    if (tab != std::u16string_view::npos) content.reason = Trim(text.substr(tab + 1));
    if (content.reason.size() > kMaxReasonLength) {
      Refuse(std::move(content), LineFault::kTooLong);
      return;
    }
    const NumberCheck check = NormalizeCitizenNumber(content.number);
    if (check == NumberCheck::kWrongLength || check == NumberCheck::kWrongCharacters) {
      Refuse(std::move(content), FaultOf(check));
      return;
    }
    const auto [first, isNew] = m_firstLines.try_emplace(content.number, m_line);
    if (!isNew) {
      m_list.refused.push_back({std::move(content), LineFault::kRepeated, first->second});
    } else if (check == NumberCheck::kWrongCheckDigit) {
      Refuse(std::move(content), LineFault::kWrongCheckDigit);
    } else {
      m_list.numbers.push_back(std::move(content));
    }
  }

  TextList Take() { return std::move(m_list); }

 private:
  void Refuse(TextListLine content, LineFault fault) { m_list.refused.push_back({std::move(content), fault, 0}); }

  int m_line = 0;
  std::unordered_map<std::u16string, int> m_firstLines;
  TextList m_list;
};

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

TextList ReadTextList(std::string_view bytes) {
  ListBuilder builder;
  const Encoding encoding = DetectEncoding(bytes);
  if (encoding == Encoding::kUtf8) {
    std::u16string text;
    for (std::size_t start = 0; start <= bytes.size();) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string_view::npos) end = bytes.size();
      const bool isText = Utf8ToUtf16(bytes.substr(start, end - start), text);
      builder.Add(isText ? text : std::u16string_view{}, isText);
      start = end + 1;
    }
  } else {
    for (const std::u16string& line : SplitUtf16(bytes, encoding == Encoding::kUtf16Be)) builder.Add(line, true);
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
