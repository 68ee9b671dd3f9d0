// Path values of the settings file. The profile functions cut a value that
// does not fit the buffer without saying so; a cut path would name another
// folder or file, so an over-long value is refused instead.
#pragma once

#include "common/path_capacity.h"

// Copies the value of section/key (empty when absent) into path. False,
// with an empty path, when the value is longer than 259 characters.
bool ReadProfilePath(const wchar_t* section, const wchar_t* key, const wchar_t* file, wchar_t (&path)[kPathCapacity]);

// Writes prefix followed by name into path. False, with an empty path, when
// the result would be longer than 259 characters.
bool JoinPath(const wchar_t* prefix, const wchar_t* name, wchar_t (&path)[kPathCapacity]);
