// The commands of the diagnostics tool. Each prints one JSON line and
// returns the process exit code: 0 on success. Ports of 1000 and above
// name the USB reader.
#pragma once

#include <cstdint>
#include <vector>

int RunStatus(int port);
int RunProbe(int port);
int RunSetBaud(int port, std::uint32_t currentSpeed, std::uint32_t newSpeed);
int RunSend(int port, const std::vector<std::uint8_t>& frame, std::uint32_t capacity);
int RunRead(int port, bool withNewAddress);
