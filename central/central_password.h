// The passwords of the logins on the central server (the counter's, and
// the office's for the editor and the query tool), each kept apart from
// RoraDI.ini in a file of its own in the settings folder, as a blob of the
// platform's data protection for the current user: never as plain text.
#pragma once

#include <string>

inline constexpr wchar_t kCounterPasswordFile[] = L"central.key";
inline constexpr wchar_t kOfficePasswordFile[] = L"office.key";

enum class PasswordLoad { kLoaded, kNone, kUnreadable };

// Protects password and replaces the file in one step; false on failure,
// with the file as it was.
bool SaveCentralPassword(const wchar_t* file, const std::wstring& password);
// kNone when no password was set; kUnreadable when the file cannot be
// read or opened by this user (another user's or another machine's blob).
PasswordLoad LoadCentralPassword(const wchar_t* file, std::wstring& password);
