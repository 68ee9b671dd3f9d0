// Console output of the diagnostics tool: results as UTF-8 lines on
// standard output, and message boxes turned into lines on standard error so
// that the tool never waits for a person.
#pragma once

#include <string>

void WriteOutputLine(const std::string& utf8);
void WriteErrorLine(const std::string& utf8);
void RouteMessageBoxesToConsole();
