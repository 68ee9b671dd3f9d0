// The query tool's search of every counter's reads on the central server
// (the search connection, with the office's login): the same patterns,
// time range and pages as the search of the local card database, and the
// station of each read. Every value the user typed goes to the server as a
// parameter.
#pragma once

#include <string>

#include "central/central_settings.h"
#include "central/odbc_session.h"
#include "query_tool/read_source.h"

// The status line's texts when the server could not be searched.
inline constexpr wchar_t kCentralQueryFailedText[] = L"无法连接中心服务器，查询失败。";
inline constexpr wchar_t kCentralMonthTreeFailedText[] = L"无法连接中心服务器，月份列表未能载入。";

// The statements, made of these fixed pieces: a count or a select, the
// conditions (central_search.cpp), and for the rows their order. Pages come
// in reading-time order, then by station and number, the server's key, so
// that every read stands on exactly one page.
inline constexpr wchar_t kCentralReadTimeRange[] = L"select min(readtime), max(readtime) from card_reads";
inline constexpr wchar_t kCentralCount[] = L"select count(*) from card_reads";
inline constexpr wchar_t kCentralSelect[] =
    L"select station, cardname, sex, nation, birth, address, cardid, authority, validfrom, validto, newaddress, "
    L"readtime from card_reads";
inline constexpr wchar_t kCentralOrder[] = L" order by readtime, station, cardid";
inline constexpr wchar_t kCentralPageLimit[] = L" limit 50 offset ?";
inline constexpr wchar_t kCentralBlacklisted[] = L"select 1 from blacklist where cardid = ?";
inline constexpr wchar_t kCentralPhoto[] =
    L"select photo from card_reads where station = ? and cardid = ? and readtime = ?";

// A pattern of the local search as the server must be given it to mean the
// same: the local database's LIKE has no escape character and ignores the
// case of ASCII letters, the server's takes "\" as its escape and minds
// case. Backslashes are doubled; with upperCase (the citizen number, whose
// stored letter is always "X") ASCII letters are made capitals.
std::wstring ServerLikePattern(const wchar_t* pattern, bool upperCase);

class CentralSearch : public ReadSource {
 public:
  explicit CentralSearch(CentralSettings settings) : settings_(std::move(settings)) {}

  // Logs in with the search connection and the office's password.
  bool Open(int lockWaitMs) override;
  void Close() override { session_.Close(); }
  bool GetReadTimeRange(std::int64_t& earliest, std::int64_t& latest) override;
  std::int32_t CountReads(const QueryContext& query) override;
  bool ReadRows(RowAction action, QueryContext& query, CardRow& row) override;
  bool HasStations() const override { return true; }
  const wchar_t* QueryFailedText() const override { return kCentralQueryFailedText; }
  const wchar_t* MonthTreeFailedText() const override { return kCentralMonthTreeFailedText; }
  // The read's WLT bytes from the server, decoded in this process's reading
  // folder.
  std::wstring PhotoPath(const CardRow& row) override;
  // The central list: an office PC's own table may be empty or old.
  BlacklistAnswer LookUpBlacklist(const wchar_t* cardid, int waitMs) override;

 private:
  CentralSettings settings_;
  OdbcSession session_;
};
