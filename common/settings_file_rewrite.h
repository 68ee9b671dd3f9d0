// Saving the settings file so that a cut at any moment (a power cut, a
// killed process) leaves either the old file or the new one, whole: the
// profile functions rewrite a file in place, and a file cut short loads
// with storing switched off.
#pragma once

// Puts the keys of a save into file through the profile functions; false
// when one of them was not written.
using SettingsKeyWriter = bool (*)(const wchar_t* file);

// Copies file beside it (its current text as UTF-16 with a byte-order
// mark; only the mark when it is missing), lets writeKeys put its keys into
// the copy, flushes the copy to the disk and puts it in the file's place
// in one step. False, with the file as it was and the copy removed, when
// any step fails.
bool RewriteSettingsFile(const wchar_t* file, SettingsKeyWriter writeKeys);
