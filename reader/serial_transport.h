// The reader on a serial line: opening and configuring a port, connecting
// to the reader on one port or the first of COM1..COM16 that answers,
// finding the reader's line speed and changing it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "reader/reader_link.h"

// Highest port number tried when the configured port is 0 (scan).
inline constexpr int kScannedPortCount = 16;

// The process-wide line speed that serial connects use; 0 until first needed.
std::uint32_t GetCurrentLineSpeed();
void SetCurrentLineSpeed(std::uint32_t speed);

// An open, configured port, or null.
HANDLE OpenComPort(int portNumber, std::uint32_t speed);
// 0x90 with link.handle open and link.port set, or 1 when no reader answered.
int ConnectSerial(ReaderLink& link, int portNumber);
// 0x90 with speed set, 1 when the port cannot be opened, or the last exchange result.
int ProbeBaudRate(int portNumber, std::uint32_t& speed);
// 0x90 when the reader took the new speed (then saved as Port/BaudRate), 1
// when the port cannot be opened, or the exchange result.
int SetReaderBaudRate(int portNumber, std::uint32_t currentSpeed, std::uint32_t newSpeed);
