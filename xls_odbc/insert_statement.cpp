#include "xls_odbc/insert_statement.h"

namespace xls {
namespace {

bool IsWordCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

class Scanner {
 public:
  explicit Scanner(std::u16string_view text) : text_(text) {}

  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == u' ' || text_[pos_] == u'\t' || text_[pos_] == u'\r' ||
                                   text_[pos_] == u'\n'))
      ++pos_;
  }
  bool Keyword(std::u16string_view word) {
    SkipSpace();
    if (text_.size() - pos_ < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
      char16_t c = text_[pos_ + i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      if (c != word[i]) return false;
    }
    const std::size_t end = pos_ + word.size();
    if (end < text_.size() && IsWordCharacter(text_[end])) return false;
    pos_ = end;
    return true;
  }
  bool Symbol(char16_t c) {
    SkipSpace();
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // The text up to the next c, which is consumed too.
  std::optional<std::u16string_view> Until(char16_t c) {
    const std::size_t end = text_.find(c, pos_);
    if (end == std::u16string_view::npos) return std::nullopt;
    const std::u16string_view part = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return part;
  }
  bool AtEnd() {
    SkipSpace();
    return pos_ == text_.size();
  }

 private:
  std::u16string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<InsertStatement> ParseInsertStatement(std::u16string_view sql) {
  Scanner scanner(sql);
  if (!scanner.Keyword(u"insert") || !scanner.Keyword(u"into") || !scanner.Symbol(u'[')) return std::nullopt;
  const auto table = scanner.Until(u']');
  if (!table || table->size() < 2 || table->back() != u'$') return std::nullopt;
  InsertStatement statement{std::u16string(table->substr(0, table->size() - 1)), 0};
  if (!scanner.Keyword(u"values") || !scanner.Symbol(u'(')) return std::nullopt;
  do {
    if (!scanner.Symbol(u'?')) return std::nullopt;
    ++statement.parameters;
  } while (scanner.Symbol(u','));
  if (!scanner.Symbol(u')')) return std::nullopt;
  scanner.Symbol(u';');
  if (!scanner.AtEnd()) return std::nullopt;
  return statement;
}

}  // namespace xls
