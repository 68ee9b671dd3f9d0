// The reader on USB, reached through its driver's four control codes, and
// the connect routine that chooses between USB and serial by port number.
#pragma once

#include <windows.h>

#include "reader/reader_link.h"

// Port of a connected USB link.
inline constexpr int kUsbLinkPort = 1001;

// Setup class of the reader's device.
inline constexpr wchar_t kReaderSetupClass[] = L"{FF646F81-8DEF-11D2-9449-00105A075F6B}";

// Control codes of the reader driver (FILE_DEVICE_UNKNOWN, METHOD_BUFFERED,
// FILE_ANY_ACCESS, functions 0x808 to 0x80B).
inline constexpr DWORD kIoctlSendHead = 0x222020;
inline constexpr DWORD kIoctlSendBody = 0x222024;
inline constexpr DWORD kIoctlReceiveHead = 0x222028;
inline constexpr DWORD kIoctlReceiveBody = 0x22202C;

// The first reader device whose path opens, or null.
HANDLE OpenUsbReader();
// 0x90 with link.port 1001, 1 when no reader device opened, or the failed
// status-check result.
int ConnectUsb(ReaderLink& link);
// The same arguments, results and checks as SamExchange, over the driver.
int SamUsbExchange(ReaderLink& link, const std::uint8_t* frame, std::uint32_t frameLength);
// USB for port numbers of 1000 and above, else the serial port.
int ConnectReader(ReaderLink& link, int portNumber);
// The exchange over the transport that link.port selects.
int ExchangeOverLink(ReaderLink& link, const std::uint8_t* frame, std::uint32_t frameLength);
