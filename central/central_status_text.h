// What the reader program's status line says about the central server,
// and the names the diagnostics tool gives its faults.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "central/central_connection.h"

struct CentralTrouble {
  CentralFault fault = CentralFault::kNone;
  // When the server was first found wanting since the last good send
  // (GetTickCount64).
  ULONGLONG since = 0;
  // Reads in the outbox.
  std::int64_t waiting = 0;
};

// Empty while sends work, and while the server has been out of reach for
// less than alertSeconds (a short outage is not worth a clerk's attention).
// A server that refuses the counter is named at once: it will not mend
// itself.
std::wstring FormCentralStatusText(const CentralTrouble& trouble, ULONGLONG now, int alertSeconds);
// A short English name of the fault: "unreachable", "login refused", ...
const char* CentralFaultName(CentralFault fault);
