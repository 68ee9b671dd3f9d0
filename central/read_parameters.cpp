#include "central/read_parameters.h"

#include <cstring>
#include <cwchar>
#include <type_traits>

#include "central/central_settings.h"

namespace {
// The text columns in the insert's order: the station, then the card's
// texts as cardinfo has them; each width fits the longest the card holds.
template <typename Field>
constexpr SQLLEN Width() {
  return static_cast<SQLLEN>(std::extent_v<Field>);
}

enum TextIndex { kStation, kName, kSex, kNation, kBirth, kAddress, kNumber, kAuthority, kValidFrom, kValidTo,
                 kNewAddress, kTextCount };
constexpr SQLLEN kTextWidths[kTextCount] = {
    static_cast<SQLLEN>(kLongestStation + 1),
    Width<decltype(CardInfo::name)>(),      Width<decltype(CardInfo::sex)>(),       Width<decltype(CardInfo::nation)>(),
    Width<decltype(CardInfo::birth)>(),     Width<decltype(CardInfo::address)>(),   Width<decltype(CardInfo::idNumber)>(),
    Width<decltype(CardInfo::authority)>(), Width<decltype(CardInfo::validFrom)>(), Width<decltype(CardInfo::validTo)>(),
    Width<decltype(CardInfo::newAddress)>()};
constexpr SQLUSMALLINT kReadtimeParameter = kTextCount + 1;
constexpr SQLUSMALLINT kDatetagParameter = kTextCount + 2;
constexpr SQLUSMALLINT kPhotoParameter = kTextCount + 3;

// The local reading time of cardinfo's clock (file-time ticks of local
// time, whole seconds) as the server's timestamp.
SQL_TIMESTAMP_STRUCT Timestamp(std::int64_t ticks) {
  FILETIME file{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
  SYSTEMTIME time{};
  FileTimeToSystemTime(&file, &time);
  return {static_cast<SQLSMALLINT>(time.wYear), time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, 0};
}
}  // namespace

ReadParameters::ReadParameters(const std::vector<OutboxRead>& batch) : rows_(batch.size()), texts_(kTextCount) {
  for (int i = 0; i < kTextCount; ++i) texts_[i].width = kTextWidths[i];
  photos_.resize(batch.size() * kLargestPhotoBytes);
  for (std::size_t row = 0; row < batch.size(); ++row) {
    const OutboxRead& queued = batch[row];
    const CardInfo& card = queued.read.card;
    AddText(texts_[kStation], queued.station.c_str());
    AddText(texts_[kName], card.name);
    AddText(texts_[kSex], card.sex);
    AddText(texts_[kNation], card.nation);
    AddText(texts_[kBirth], card.birth);
    AddText(texts_[kAddress], card.address);
    AddText(texts_[kNumber], card.idNumber);
    AddText(texts_[kAuthority], card.authority);
    AddText(texts_[kValidFrom], card.validFrom);
    AddText(texts_[kValidTo], card.validTo);
    AddText(texts_[kNewAddress], card.newAddress);
    readtimes_.push_back(Timestamp(queued.read.readtime));
    readtimeLengths_.push_back(sizeof(SQL_TIMESTAMP_STRUCT));
    datetags_.push_back(static_cast<SQLINTEGER>(queued.read.datetag));
    datetagLengths_.push_back(sizeof(SQLINTEGER));
    const CardPhotoBytes& photo = queued.read.photo;
    std::memcpy(photos_.data() + row * kLargestPhotoBytes, photo.bytes, photo.size);
    photoLengths_.push_back(photo.size == 0 ? SQL_NULL_DATA : static_cast<SQLLEN>(photo.size));
  }
  status_.resize(batch.size());
}

// A text longer than its column (only a station name can be) is cut to
// the column; the settings refuse such a name before it gets here.
void ReadParameters::AddText(TextColumn& column, const wchar_t* text) {
  const std::size_t width = static_cast<std::size_t>(column.width);
  const std::size_t units = wcsnlen(text, width - 1);
  const std::size_t start = column.units.size();
  column.units.resize(start + width, L'\0');
  wmemcpy(column.units.data() + start, text, units);
  column.lengths.push_back(static_cast<SQLLEN>(units * sizeof(wchar_t)));
}

SQLRETURN ReadParameters::BindText(SQLHSTMT statement, SQLUSMALLINT number, TextColumn& column) {
  return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                          static_cast<SQLULEN>(column.width - 1), 0, column.units.data(),
                          column.width * static_cast<SQLLEN>(sizeof(wchar_t)), column.lengths.data());
}

SQLRETURN ReadParameters::Bind(SQLHSTMT statement) {
  SQLRETURN result = SQLSetStmtAttr(statement, SQL_ATTR_PARAM_BIND_TYPE, SQL_PARAM_BIND_BY_COLUMN, 0);
  if (SQL_SUCCEEDED(result)) {
    result = SQLSetStmtAttr(statement, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(rows_), 0);
  }
  if (SQL_SUCCEEDED(result)) result = SQLSetStmtAttr(statement, SQL_ATTR_PARAM_STATUS_PTR, status_.data(), 0);
  for (int i = 0; i < kTextCount && SQL_SUCCEEDED(result); ++i) {
    result = BindText(statement, static_cast<SQLUSMALLINT>(i + 1), texts_[i]);
  }
  if (SQL_SUCCEEDED(result)) {
    result = SQLBindParameter(statement, kReadtimeParameter, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                              SQL_TYPE_TIMESTAMP, 19, 0, readtimes_.data(), sizeof(SQL_TIMESTAMP_STRUCT),
                              readtimeLengths_.data());
  }
  if (SQL_SUCCEEDED(result)) {
    result = SQLBindParameter(statement, kDatetagParameter, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                              datetags_.data(), sizeof(SQLINTEGER), datetagLengths_.data());
  }
  if (SQL_SUCCEEDED(result)) {
    result = SQLBindParameter(statement, kPhotoParameter, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                              kLargestPhotoBytes, 0, photos_.data(), kLargestPhotoBytes, photoLengths_.data());
  }
  return result;
}

bool ReadParameters::EveryRowSucceeded() const {
  for (SQLUSMALLINT status : status_) {
    if (status != SQL_PARAM_SUCCESS && status != SQL_PARAM_SUCCESS_WITH_INFO) return false;
  }
  return true;
}
