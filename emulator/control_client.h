// "samv-emulator ctl HOST:PORT REQUEST...": one request from a script.
#pragma once

#include <span>
#include <string>

// Sends the words joined by spaces as one request and prints the response
// line. Exit code 0 for "ok ...", 1 for "error ...", 2 when the emulator
// cannot be reached or the arguments are wrong.
int RunControlClient(const std::string& address, std::span<char* const> requestWords);
