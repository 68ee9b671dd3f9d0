// The photo decoder library's export, bound when the program loads.
#pragma once

// Decodes the photo file (a path in code page 936) into image.bmp beside
// it; linkKind 1 for a serial reader, 2 for USB. 1 on success.
extern "C" __declspec(dllimport) int __stdcall GetBmp(const char* wltFile, int linkKind);
