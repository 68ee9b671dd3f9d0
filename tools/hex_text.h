// Frames as hexadecimal text, for the diagnostics tool's input and output.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Pairs of hex digits; spaces, colons and commas between bytes are ignored.
// Empty when the text holds anything else or an odd number of digits.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text);
// Upper-case pairs separated by single spaces.
std::string FormatHexBytes(std::span<const std::uint8_t> bytes);
