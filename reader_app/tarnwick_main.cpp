// The reader program's entry point: one application object, run by the
// framework.
#include <windows.h>

#include "reader_app/tarnwick_app.h"

namespace {
CTarnwickApp theApp;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return RunApplication(theApp, instance); }
