// A batch of reads laid out as the ODBC parameter arrays of one insert:
// one array per column, each with its length indicators, bound column-wise
// so that the whole batch goes to the server in one execution.
#pragma once

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <vector>

#include "central/outbox.h"

class ReadParameters {
 public:
  explicit ReadParameters(const std::vector<OutboxRead>& batch);
  // Binds the fourteen parameters of the insert, in its column order, and
  // sets the array size; the object must outlive the execution.
  SQLRETURN Bind(SQLHSTMT statement);
  // After the execution: whether the server took every row (one refused
  // row fails the whole batch, so that nothing is committed half).
  bool EveryRowSucceeded() const;

 private:
  struct TextColumn {
    SQLLEN width;  // units per row, with the terminator
    std::vector<wchar_t> units;
    std::vector<SQLLEN> lengths;
  };
  void AddText(TextColumn& column, const wchar_t* text);
  static SQLRETURN BindText(SQLHSTMT statement, SQLUSMALLINT number, TextColumn& column);

  SQLULEN rows_;
  std::vector<TextColumn> texts_;
  std::vector<SQL_TIMESTAMP_STRUCT> readtimes_;
  std::vector<SQLLEN> readtimeLengths_;
  std::vector<SQLINTEGER> datetags_;
  std::vector<SQLLEN> datetagLengths_;
  std::vector<unsigned char> photos_;
  std::vector<SQLLEN> photoLengths_;
  std::vector<SQLUSMALLINT> status_;
};
