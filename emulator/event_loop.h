// The emulator's single-threaded run: one poll over the pseudo-terminal,
// the control listener and its clients, until quit, SIGINT or SIGTERM.
#pragma once

#include "emulator/emulator_options.h"

// Returns the process exit code.
int RunEmulator(const EmulatorOptions& options);
