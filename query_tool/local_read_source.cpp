#include "query_tool/local_read_source.h"

#include "query_tool/card_query.h"
#include "query_tool/id_card_dlg.h"
#include "query_tool/pellory_dlg.h"

bool LocalReadSource::Open(int lockWaitMs) {
  if (OpenCardDatabase(db_, lockWaitMs) == SQLITE_OK) return true;
  db_.reset();
  return false;
}

bool LocalReadSource::GetReadTimeRange(std::int64_t& earliest, std::int64_t& latest) {
  return ::GetReadTimeRange(db_.get(), earliest, latest) == SQLITE_OK;
}

std::int32_t LocalReadSource::CountReads(const QueryContext& query) { return CountCardReads(db_.get(), query); }

bool LocalReadSource::ReadRows(RowAction action, QueryContext& query, CardRow& row) {
  return ReadCardRows(db_.get(), action, query, row) == SQLITE_OK;
}

const wchar_t* LocalReadSource::QueryFailedText() const { return kQueryFailedText; }

const wchar_t* LocalReadSource::MonthTreeFailedText() const { return kMonthTreeFailedText; }

std::wstring LocalReadSource::PhotoPath(const CardRow& row) { return RowPhotoPath(row); }

BlacklistAnswer LocalReadSource::LookUpBlacklist(const wchar_t* cardid, int waitMs) {
  return ::LookUpBlacklist(cardid, waitMs);
}
