#include "central/central_search.h"

#include <sqlext.h>

#include <cstdint>
#include <cwchar>
#include <iterator>
#include <utility>
#include <vector>

#include "card/photo.h"
#include "central/central_password.h"
#include "query_tool/card_query.h"

namespace {

// The search's values as the statement's parameters, which must stay where
// they are until it has run.
struct SearchParameters {
  std::wstring name;
  std::wstring number;
  std::wstring sex;
  SQL_TIMESTAMP_STRUCT from;
  SQL_TIMESTAMP_STRUCT to;
  SQLINTEGER offset;
  SQLLEN textLengths[3];
};

SQL_TIMESTAMP_STRUCT TimestampOfTicks(std::int64_t ticks) {
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
  SYSTEMTIME calendar{};
  FileTimeToSystemTime(&time, &calendar);
  return {static_cast<SQLSMALLINT>(calendar.wYear), calendar.wMonth, calendar.wDay, calendar.wHour,
          calendar.wMinute, calendar.wSecond, 0};
}

// File-time ticks of a reading time, the clock of the local database; 0
// when it is no calendar time.
std::int64_t TicksOfTimestamp(const SQL_TIMESTAMP_STRUCT& stamp) {
  const SYSTEMTIME calendar{static_cast<WORD>(stamp.year), stamp.month,  0, stamp.day, stamp.hour,
                            stamp.minute,                  stamp.second, 0};
  FILETIME time{};
  if (!SystemTimeToFileTime(&calendar, &time)) return 0;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

SearchParameters ParametersOf(const QueryContext& query) {
  return {ServerLikePattern(query.namePattern, false),
          ServerLikePattern(query.numberPattern, true),
          ServerLikePattern(query.sexPattern, false),
          TimestampOfTicks(query.timeFrom),
          TimestampOfTicks(query.timeTo),
          query.offset,
          {SQL_NTS, SQL_NTS, SQL_NTS}};
}

bool BindText(SQLHSTMT statement, SQLUSMALLINT number, const std::wstring& text, SQLLEN& length) {
  const SQLULEN size = text.empty() ? 1 : text.size();
  return SQL_SUCCEEDED(SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, size, 0,
                                        const_cast<wchar_t*>(text.c_str()), 0, &length));
}

bool BindTimestamp(SQLHSTMT statement, SQLUSMALLINT number, SQL_TIMESTAMP_STRUCT& stamp) {
  return SQL_SUCCEEDED(SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                        SQL_TYPE_TIMESTAMP, 19, 0, &stamp, sizeof stamp, nullptr));
}

// A pattern that is "%" alone matches every read, since the columns are
// never null. Its condition is left out: with a name alone the server then
// counts from the name's index without visiting the reads themselves.
bool MatchesAll(const std::wstring& pattern) { return pattern == L"%"; }

// The conditions of the search, one parameter each, the time range always.
std::wstring WhereClause(const SearchParameters& search) {
  std::wstring where = L" where ";
  if (!MatchesAll(search.name)) where += L"cardname like ? and ";
  if (!MatchesAll(search.number)) where += L"cardid like ? and ";
  if (!MatchesAll(search.sex)) where += L"sex like ? and ";
  return where + L"readtime between ? and ?";
}

// Binds the parameters of WhereClause in its order; the number of the next
// parameter, or 0 on a failure.
SQLUSMALLINT BindSearch(SQLHSTMT statement, SearchParameters& search) {
  SQLUSMALLINT next = 1;
  const std::wstring* patterns[] = {&search.name, &search.number, &search.sex};
  for (std::size_t i = 0; i < std::size(patterns); ++i) {
    if (MatchesAll(*patterns[i])) continue;
    if (!BindText(statement, next++, *patterns[i], search.textLengths[i])) return 0;
  }
  if (!BindTimestamp(statement, next, search.from) || !BindTimestamp(statement, next + 1, search.to)) return 0;
  return static_cast<SQLUSMALLINT>(next + 2);
}

bool Run(SQLHSTMT statement, const std::wstring& text) {
  return SQL_SUCCEEDED(
      SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text.c_str())), SQL_NTS));
}

// One fetched read, in the order of the page's select list: the station
// and the ten texts of the card, then the reading time.
constexpr int kFetchedTexts = 11;
constexpr SQLUSMALLINT kReadTimeColumn = kFetchedTexts + 1;
// Longer texts are cut to their field anyway.
constexpr std::size_t kFetchUnits = 128;
struct FetchedRead {
  wchar_t texts[kFetchedTexts][kFetchUnits];
  SQLLEN lengths[kFetchedTexts];
  SQL_TIMESTAMP_STRUCT readtime;
  SQLLEN readtimeLength;
};
enum FetchedText : int {
  kStation, kName, kSex, kNation, kBirth, kAddress, kIdNumber, kAuthority, kValidFrom, kValidTo, kNewAddress,
};

bool BindRead(SQLHSTMT statement, FetchedRead& read) {
  for (int i = 0; i < kFetchedTexts; ++i) {
    if (!SQL_SUCCEEDED(SQLBindCol(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_C_WCHAR, read.texts[i],
                                  sizeof read.texts[i], &read.lengths[i])))
      return false;
  }
  return SQL_SUCCEEDED(
      SQLBindCol(statement, kReadTimeColumn, SQL_C_TYPE_TIMESTAMP, &read.readtime, sizeof read.readtime,
                 &read.readtimeLength));
}

// At most Units units of a fetched text into a zeroed field, as the local
// search cuts its columns to the card's widths.
template <std::size_t Units, std::size_t N>
void CopyText(const FetchedRead& read, int column, wchar_t (&field)[N]) {
  static_assert(Units < N);
  if (read.lengths[column] == SQL_NULL_DATA) return;
  wcsncpy_s(field, N, read.texts[column], Units);
}

void DecodeRead(const FetchedRead& read, CardRow& row) {
  row = CardRow{};
  CopyText<kStationUnits>(read, kStation, row.station);
  CopyText<15>(read, kName, row.name);
  CopyText<1>(read, kSex, row.sex);
  CopyText<9>(read, kNation, row.nation);
  CopyText<8>(read, kBirth, row.birth);
  CopyText<35>(read, kAddress, row.address);
  CopyText<18>(read, kIdNumber, row.idNumber);
  CopyText<15>(read, kAuthority, row.authority);
  CopyText<8>(read, kValidFrom, row.validFrom);
  CopyText<8>(read, kValidTo, row.validTo);
  CopyText<35>(read, kNewAddress, row.newAddress);
  FormatCardDates(row);
  if (read.readtimeLength == SQL_NULL_DATA) return;
  const SQL_TIMESTAMP_STRUCT& t = read.readtime;
  std::swprintf(row.readTimeText, std::size(row.readTimeText), L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second);
}

// The reading time as the list shows it ("YYYY-MM-DD hh:mm:ss").
bool ParseReadTime(const wchar_t* text, SQL_TIMESTAMP_STRUCT& stamp) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (std::swscanf(text, L"%4d-%2d-%2d %2d:%2d:%2d", &year, &month, &day, &hour, &minute, &second) != 6) {
    return false;
  }
  stamp = {static_cast<SQLSMALLINT>(year),   static_cast<SQLUSMALLINT>(month),  static_cast<SQLUSMALLINT>(day),
           static_cast<SQLUSMALLINT>(hour),  static_cast<SQLUSMALLINT>(minute), static_cast<SQLUSMALLINT>(second),
           0};
  return true;
}

// The photo column of the fetched row, in pieces; empty when it is null.
bool FetchPhoto(SQLHSTMT statement, std::vector<std::uint8_t>& photo) {
  std::uint8_t piece[4096];
  for (;;) {
    SQLLEN length = 0;
    const SQLRETURN got = SQLGetData(statement, 1, SQL_C_BINARY, piece, sizeof piece, &length);
    if (got == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(got)) return false;
    if (length == SQL_NULL_DATA) return true;
    const auto bytes = length == SQL_NO_TOTAL || length > static_cast<SQLLEN>(sizeof piece)
                           ? sizeof piece
                           : static_cast<std::size_t>(length);
    photo.insert(photo.end(), piece, piece + bytes);
    if (got == SQL_SUCCESS) return true;
  }
}

}  // namespace

std::wstring ServerLikePattern(const wchar_t* pattern, bool upperCase) {
  std::wstring server;
  for (const wchar_t* c = pattern; *c != L'\0'; ++c) {
    if (*c == L'\\') server += L'\\';
    server += upperCase && *c >= L'a' && *c <= L'z' ? static_cast<wchar_t>(*c - L'a' + L'A') : *c;
  }
  return server;
}

bool CentralSearch::Open(int) {
  std::wstring password;
  if (LoadCentralPassword(kOfficePasswordFile, password) == PasswordLoad::kUnreadable) return false;
  const CentralResult connected = session_.Connect(SearchConnection(settings_), password);
  SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
  return connected.ok();
}

bool CentralSearch::GetReadTimeRange(std::int64_t& earliest, std::int64_t& latest) {
  OdbcStatement statement(session_.Handle());
  if (statement.get() == SQL_NULL_HSTMT || !Run(statement.get(), std::wstring(kCentralReadTimeRange)) ||
      !SQL_SUCCEEDED(SQLFetch(statement.get()))) {
    return false;
  }
  SQL_TIMESTAMP_STRUCT first{};
  SQL_TIMESTAMP_STRUCT last{};
  SQLLEN firstLength = 0;
  SQLLEN lastLength = 0;
  if (!SQL_SUCCEEDED(SQLGetData(statement.get(), 1, SQL_C_TYPE_TIMESTAMP, &first, sizeof first, &firstLength)) ||
      !SQL_SUCCEEDED(SQLGetData(statement.get(), 2, SQL_C_TYPE_TIMESTAMP, &last, sizeof last, &lastLength))) {
    return false;
  }
  // Without reads both are null, which the tree takes as no months.
  const bool none = firstLength == SQL_NULL_DATA || lastLength == SQL_NULL_DATA;
  earliest = none ? 0 : TicksOfTimestamp(first);
  latest = none ? 0 : TicksOfTimestamp(last);
  return true;
}

std::int32_t CentralSearch::CountReads(const QueryContext& query) {
  OdbcStatement statement(session_.Handle());
  SearchParameters search = ParametersOf(query);
  if (statement.get() == SQL_NULL_HSTMT || BindSearch(statement.get(), search) == 0 ||
      !Run(statement.get(), kCentralCount + WhereClause(search)) || !SQL_SUCCEEDED(SQLFetch(statement.get()))) {
    return kCountFailed;
  }
  SQLBIGINT count = 0;
  SQLLEN length = 0;
  if (!SQL_SUCCEEDED(SQLGetData(statement.get(), 1, SQL_C_SBIGINT, &count, sizeof count, &length)) ||
      length == SQL_NULL_DATA || count < 0) {
    return kCountFailed;
  }
  return count > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(count);
}

bool CentralSearch::ReadRows(RowAction action, QueryContext& query, CardRow& row) {
  const bool allRows = (query.mode & kQueryAllRows) != 0;
  OdbcStatement statement(session_.Handle());
  SearchParameters search = ParametersOf(query);
  const SQLUSMALLINT offsetParameter = statement.get() == SQL_NULL_HSTMT ? 0 : BindSearch(statement.get(), search);
  if (offsetParameter == 0) return false;
  if (!allRows && !SQL_SUCCEEDED(SQLBindParameter(statement.get(), offsetParameter, SQL_PARAM_INPUT, SQL_C_SLONG,
                                                  SQL_INTEGER, 0, 0, &search.offset, 0, nullptr))) {
    return false;
  }
  const std::wstring text =
      kCentralSelect + WhereClause(search) + kCentralOrder + (allRows ? L"" : kCentralPageLimit);
  FetchedRead read{};
  if (!Run(statement.get(), text) || !BindRead(statement.get(), read)) {
    return false;
  }
  SQLRETURN fetched;
  while (SQL_SUCCEEDED(fetched = SQLFetch(statement.get()))) {
    DecodeRead(read, row);
    action(query, row);
    ++query.rowCount;
  }
  return fetched == SQL_NO_DATA;
}

std::wstring CentralSearch::PhotoPath(const CardRow& row) {
  SQL_TIMESTAMP_STRUCT readtime{};
  if (!ParseReadTime(row.readTimeText, readtime)) return {};
  std::vector<std::uint8_t> photo;
  {
    OpenedSource open(*this, 0);
    if (!open) return {};
    OdbcStatement statement(session_.Handle());
    const std::wstring station = row.station;
    const std::wstring number = row.idNumber;
    SQLLEN lengths[2] = {SQL_NTS, SQL_NTS};
    if (statement.get() == SQL_NULL_HSTMT || !BindText(statement.get(), 1, station, lengths[0]) ||
        !BindText(statement.get(), 2, number, lengths[1]) || !BindTimestamp(statement.get(), 3, readtime) ||
        !Run(statement.get(), std::wstring(kCentralPhoto)) || !SQL_SUCCEEDED(SQLFetch(statement.get())) ||
        !FetchPhoto(statement.get(), photo)) {
      return {};
    }
  }
  wchar_t decoded[kPathCapacity];
  if (photo.empty() ||
      DecodeStoredPhoto(photo.data(), static_cast<std::uint32_t>(photo.size()), decoded) != kPhotoDecoded) {
    return {};
  }
  return decoded;
}

BlacklistAnswer CentralSearch::LookUpBlacklist(const wchar_t* cardid, int) {
  const OpenedSource open(*this, 0);
  if (!open) return BlacklistAnswer::kUnknown;
  OdbcStatement statement(session_.Handle());
  const std::wstring number = cardid;
  SQLLEN length = SQL_NTS;
  if (statement.get() == SQL_NULL_HSTMT || !BindText(statement.get(), 1, number, length) ||
      !Run(statement.get(), std::wstring(kCentralBlacklisted))) {
    return BlacklistAnswer::kUnknown;
  }
  const SQLRETURN fetched = SQLFetch(statement.get());
  if (fetched == SQL_NO_DATA) return BlacklistAnswer::kNotListed;
  return SQL_SUCCEEDED(fetched) ? BlacklistAnswer::kListed : BlacklistAnswer::kUnknown;
}
