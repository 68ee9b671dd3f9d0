// Reading the diagnostic records of a handle.
#include <cstring>

#include "xls_odbc/odbc_handles.h"
#include "xls_odbc/wide_text.h"

using namespace xls_odbc;

namespace {

Handle* AnyHandle(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV:
      return HandleOf<Environment>(handle);
    case SQL_HANDLE_DBC:
      return HandleOf<Connection>(handle);
    case SQL_HANDLE_STMT:
      return HandleOf<Statement>(handle);
    default:
      return nullptr;
  }
}

std::u16string WideState(const std::string& state) { return std::u16string(state.begin(), state.end()); }

// Reading diagnostics must not clear them, so results that do not fit are
// cut without a record of their own.
SQLRETURN CopyDiagnosticText(std::u16string_view text, SQLWCHAR* buffer, SQLLEN capacity, SQLLEN* length) {
  Diagnostics scratch;
  return CopyWideResult(text, buffer, capacity, length, scratch);
}

SQLRETURN StringField(std::u16string_view text, SQLPOINTER value, SQLSMALLINT capacityBytes, SQLSMALLINT* length) {
  SQLLEN units = 0;
  const SQLRETURN result = CopyDiagnosticText(text, static_cast<SQLWCHAR*>(value),
                                              capacityBytes / static_cast<SQLLEN>(sizeof(SQLWCHAR)), &units);
  if (length) *length = static_cast<SQLSMALLINT>(units * sizeof(SQLWCHAR));
  return result;
}

template <typename T>
SQLRETURN NumberField(T number, SQLPOINTER value) {
  if (value) std::memcpy(value, &number, sizeof number);
  return SQL_SUCCESS;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                                 SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT capacity, SQLSMALLINT* length) {
  const Handle* owner = AnyHandle(type, handle);
  if (!owner) return SQL_INVALID_HANDLE;
  if (record < 1 || capacity < 0) return SQL_ERROR;
  const auto& records = owner->diagnostics.records();
  if (static_cast<std::size_t>(record) > records.size()) return SQL_NO_DATA;
  const Diagnostic& diagnostic = records[record - 1];
  if (state) CopyDiagnosticText(WideState(diagnostic.state), state, 6, nullptr);
  if (native) *native = 0;
  SQLLEN units = 0;
  const SQLRETURN result = CopyDiagnosticText(diagnostic.message, message, capacity, &units);
  if (length) *length = static_cast<SQLSMALLINT>(units);
  return result;
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                                   SQLPOINTER value, SQLSMALLINT capacity, SQLSMALLINT* length) {
  const Handle* owner = AnyHandle(type, handle);
  if (!owner) return SQL_INVALID_HANDLE;
  const auto& records = owner->diagnostics.records();
  switch (field) {
    case SQL_DIAG_NUMBER:
      return NumberField(static_cast<SQLINTEGER>(records.size()), value);
    case SQL_DIAG_RETURNCODE:
      return NumberField(owner->diagnostics.lastReturn(), value);
    case SQL_DIAG_ROW_COUNT:
      return NumberField(type == SQL_HANDLE_STMT ? static_cast<const Statement*>(owner)->rowCount : SQLLEN{0}, value);
    default:
      break;
  }
  if (record < 1) return SQL_ERROR;
  if (static_cast<std::size_t>(record) > records.size()) return SQL_NO_DATA;
  const Diagnostic& diagnostic = records[record - 1];
  switch (field) {
    case SQL_DIAG_SQLSTATE:
      return StringField(WideState(diagnostic.state), value, capacity, length);
    case SQL_DIAG_MESSAGE_TEXT:
      return StringField(diagnostic.message, value, capacity, length);
    case SQL_DIAG_NATIVE:
      return NumberField(SQLINTEGER{0}, value);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
      return StringField(diagnostic.state.starts_with("IM") ? u"ODBC 3.0" : u"ISO 9075", value, capacity, length);
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
      return StringField(u"", value, capacity, length);
    default:
      return SQL_ERROR;
  }
}

}  // extern "C"
