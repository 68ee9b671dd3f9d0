// The export command of the query window (button "输出查询结果"): every hit
// of the last query into a new spreadsheet file, a copy of the template
// shipped in the program folder ("template", or with the station column
// "template_station" for a source whose rows name their stations).
#pragma once

#include <windows.h>

#include <cstdint>

#include "query_tool/card_row.h"
#include "query_tool/read_source.h"

// A sheet of the spreadsheet format holds 65536 rows: the template's
// header and at most this many hits.
inline constexpr std::int32_t kMaxExportRows = 65535;

// Runs the command for a query of total hits of source whose context is
// query; window owns the dialogs and messages.
void RunExportCommand(HWND window, std::int32_t total, QueryContext& query, ReadSource& source);
