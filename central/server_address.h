// The server a connection string names, as the programs show it to people.
#pragma once

#include <string>

// "HOST:PORT" from the string's Server and Port keys (keys in any case,
// values braced or not); the driver's default port 5432 when it names
// none; empty when it names no server (a data source name, say).
std::wstring ServerAddress(const std::wstring& connection);
