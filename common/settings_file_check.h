// Whether the settings file lost its content. A file cut short by a power
// cut (empty, zeros, or stopped part-way) still loads, with every missing
// key at its default: AutoSave 0, so no read would be stored from then on.
#pragma once

// True for an existing file that is empty or has no [Save] section.
bool IsSettingsFileCutShort(const wchar_t* file);
