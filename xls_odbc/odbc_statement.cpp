// Preparing and running the insert, its parameters and attributes.
#include <thread>

#include "xls_odbc/odbc_handles.h"
#include "xls_odbc/parameter_values.h"
#include "xls_odbc/wide_text.h"

using namespace xls_odbc;

namespace {

SQLRETURN Prepare(Statement& statement, const std::u16string& sql) {
  statement.insert.reset();
  auto insert = xls::ParseInsertStatement(sql);
  if (!insert)
    return statement.diagnostics.Error("42000", u"Only \"insert into [Sheet$] values (?,...)\" is supported: " + sql);
  Connection& connection = *statement.connection;
  if (connection.readOnly)
    return statement.diagnostics.Error("HY000",
                                       u"The workbook was opened read-only; connect with READONLY=FALSE to insert");
  const auto sheet = connection.workbook->workbook().FindSheet(insert->sheet);
  if (!sheet) return statement.diagnostics.Error("42S02", u"The workbook has no sheet " + insert->sheet);
  if (insert->parameters > xls::kMaxColumns)
    return statement.diagnostics.Error("42000", u"A sheet has at most 256 columns");
  statement.sheet = *sheet;
  statement.insert = std::move(insert);
  return SQL_SUCCESS;
}

SQLRETURN Execute(Statement& statement) {
  if (!statement.insert) return statement.diagnostics.Error("HY010", u"Function sequence error: nothing prepared");
  std::vector<std::optional<std::u16string>> values;
  if (const SQLRETURN read = ReadParameterValues(statement, values); !SQL_SUCCEEDED(read)) return read;
  Connection& connection = *statement.connection;
  if (connection.insertDelay.count() > 0) std::this_thread::sleep_for(connection.insertDelay);
  const std::vector<xls::CellText> cells(values.begin(), values.end());
  statement.rowCount = 0;
  switch (connection.workbook->workbook().AppendRow(statement.sheet, cells)) {
    case xls::AppendResult::kAppended:
      statement.rowCount = 1;
      return SQL_SUCCESS;
    case xls::AppendResult::kSheetFull:
      return statement.diagnostics.Error("HY000", u"The sheet is full: a sheet holds at most 65536 rows");
    case xls::AppendResult::kTextTooLong:
      return statement.diagnostics.Error("22001", u"String data, right truncated: a cell holds at most 255 characters");
    case xls::AppendResult::kTooManyColumns:
      break;
  }
  return statement.diagnostics.Error("42000", u"A sheet has at most 256 columns");
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  return Prepare(*statement, WideArgument(text, length));
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT handle) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  return Execute(*statement);
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  if (const SQLRETURN prepared = Prepare(*statement, WideArgument(text, length)); !SQL_SUCCEEDED(prepared))
    return prepared;
  return Execute(*statement);
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT direction,
                                   SQLSMALLINT valueType, SQLSMALLINT, SQLULEN, SQLSMALLINT, SQLPOINTER value,
                                   SQLLEN bufferLength, SQLLEN* indicator) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  if (number < 1 || number > xls::kMaxColumns) return statement->diagnostics.Error("07009", u"Invalid parameter number");
  if (direction != SQL_PARAM_INPUT) return statement->diagnostics.Error("HY105", u"Invalid parameter type");
  if (valueType != SQL_C_WCHAR && valueType != SQL_C_CHAR)
    return statement->diagnostics.Error("HY003", u"Only text parameters are supported");
  if (statement->parameters.size() < number) statement->parameters.resize(number);
  statement->parameters[number - 1] = {true, valueType, value, bufferLength, indicator};
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT handle, SQLSMALLINT* count) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  if (!statement->insert) return statement->diagnostics.Error("HY010", u"Function sequence error: nothing prepared");
  if (count) *count = static_cast<SQLSMALLINT>(statement->insert->parameters);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* count) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  if (count) *count = 0;  // an insert returns no rows
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN* count) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  if (count) *count = statement->rowCount;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  return statement->diagnostics.Error("24000", u"Invalid cursor state: an insert has no cursor");
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT handle) {
  // Every call completes before it returns; there is nothing to cancel.
  return StartCall<Statement>(handle) ? SQL_SUCCESS : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  const auto number = reinterpret_cast<SQLULEN>(value);
  switch (attribute) {
    case SQL_ATTR_CONCURRENCY:
      statement->concurrency = number;
      return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_TYPE:
      statement->cursorType = number;
      return SQL_SUCCESS;
    case SQL_ATTR_PARAMSET_SIZE:
    case SQL_ATTR_ROW_ARRAY_SIZE:
      if (number == 1) return SQL_SUCCESS;
      return statement->diagnostics.Error("HYC00", u"Arrays of parameters or rows are not supported");
    case SQL_ATTR_QUERY_TIMEOUT:
    case SQL_ATTR_MAX_ROWS:
    case SQL_ATTR_MAX_LENGTH:
    case SQL_ATTR_NOSCAN:
      return SQL_SUCCESS;  // no bearing on an insert that completes at once
    default:
      return statement->diagnostics.Error("HY092", u"Invalid attribute");
  }
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                  SQLINTEGER* length) {
  Statement* statement = StartCall<Statement>(handle);
  if (!statement) return SQL_INVALID_HANDLE;
  SQLULEN result = 0;
  switch (attribute) {
    case SQL_ATTR_CONCURRENCY:
      result = statement->concurrency;
      break;
    case SQL_ATTR_CURSOR_TYPE:
      result = statement->cursorType;
      break;
    case SQL_ATTR_PARAMSET_SIZE:
    case SQL_ATTR_ROW_ARRAY_SIZE:
      result = 1;
      break;
    default:
      return statement->diagnostics.Error("HY092", u"Invalid attribute");
  }
  return StoreNumber(result, value, length);
}

}  // extern "C"
