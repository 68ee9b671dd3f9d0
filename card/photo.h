// The card's photo: decoded into image.bmp by the photo decoder in a folder
// of the reading process's own, copied as image.wlt and image.bmp into the
// save folder for other programs, and archived per month.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/path_capacity.h"

// Link kinds the photo decoder is told about.
inline constexpr int kLinkKindSerial = 1;
inline constexpr int kLinkKindUsb = 2;
// Status when the photo file cannot be created or decoding failed.
inline constexpr int kPhotoDecodeFailed = -1;
inline constexpr int kPhotoDecoded = 1;

// Writes the photo bytes to the photo file and decodes it: 1 on success,
// kPhotoDecodeFailed when the file cannot be created, else the decoder's result.
// The decoded bitmap is the file FormReadingFolderPath names kDecodedPhotoName;
// image.wlt and image.bmp in the save folder are copies for other programs.
int DecodeCardPhoto(const std::uint8_t* photo, std::uint32_t size, int linkKind);
inline constexpr wchar_t kDecodedPhotoName[] = L"image.bmp";
// Decodes photo bytes kept from an earlier read (a read on the central
// server) in this process's reading folder, as DecodeCardPhoto does but
// without the copies in the save folder, which stand for the last card this
// counter read. The decoded bitmap's path goes to decoded (empty unless
// decoded); kPhotoDecoded, kPhotoDecodeFailed or the decoder's result.
int DecodeStoredPhoto(const std::uint8_t* photo, std::uint32_t size, wchar_t (&decoded)[kPathCapacity]);
// name in this process's own folder for the photos it reads,
// <temporary folder>TarnwickRead-<process id>\, which is made on first use.
// Two programs reading into one save folder (the reader program and the
// diagnostics tool, or two counters on one share) would otherwise decode,
// show and archive each other's photos. Its length, or 0 when the path does
// not fit or the folder cannot be made.
int FormReadingFolderPath(wchar_t* out, int capacity, const wchar_t* name);
// The text for a photo decoder result.
const wchar_t* PhotoStatusText(int code);
// Copies bitmap to <save folder>YYYYMM\DD_<idNumber>.bmp, creating
// whatever folder of that path is missing; keeps an existing copy. The copy
// is written under a temporary name and renamed when complete, so a copy cut
// short never stands as the day's photo.
void ArchivePhoto(const SYSTEMTIME& now, const wchar_t* idNumber, const wchar_t* bitmap);
// A citizen number that may be part of a file name: 17 ASCII digits and a
// last digit or X.
bool IsArchivableIdNumber(const wchar_t* idNumber);
// The archive path of the photo of idNumber read on date's day, into out
// (kPathCapacity units). Its length, or 0 when the number may not name a
// file or the path does not fit.
int FormArchivedPhotoPath(wchar_t* out, const SYSTEMTIME& date, const wchar_t* idNumber);
// Save folder followed by name; 0 when it does not fit in capacity.
int FormSaveFolderPath(wchar_t* out, int capacity, const wchar_t* name);
