// Starting the suite's other programs from the reader program's folder.
#pragma once

// Starts <program folder><fileName> as an independent process with no
// command line and waits for nothing. False when it could not be started;
// callers show nothing then.
bool StartProgramTool(const wchar_t* fileName);
