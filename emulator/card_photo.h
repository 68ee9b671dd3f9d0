// The photo of an emulated card: raw WLT bytes from a file, or a portrait
// picture fitted to the photo size and encoded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Reads a raw photo of at most 1024 bytes. Returns a CardFileResult; on
// failure error says why.
int ReadRawPhoto(const std::filesystem::path& path, std::vector<std::uint8_t>& photo, std::string& error);

// Reads a PNG or uncompressed BMP picture of any size, fits it to the photo
// size and encodes it. The photo of each picture file is kept, so laying
// the same card again costs no second encoding.
int EncodePortrait(const std::filesystem::path& path, std::vector<std::uint8_t>& photo, std::string& error);
