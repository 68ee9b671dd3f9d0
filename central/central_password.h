// The password of the counter's login on the central server, kept apart
// from RoraDI.ini in central.key in the settings folder, as a blob of the
// platform's data protection for the current user: never as plain text.
#pragma once

#include <string>

inline constexpr wchar_t kCentralPasswordFileName[] = L"central.key";

enum class PasswordLoad { kLoaded, kNone, kUnreadable };

// Protects password and replaces the file in one step; false on failure,
// with the file as it was.
bool SaveCentralPassword(const std::wstring& password);
// kNone when no password was set; kUnreadable when the file cannot be
// read or opened by this user (another user's or another machine's blob).
PasswordLoad LoadCentralPassword(std::wstring& password);
