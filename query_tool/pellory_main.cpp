// The query tool's entry point: one application object, run by the framework.
#include <windows.h>

#include "query_tool/pellory_app.h"

namespace {
CPelloryApp theApp;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return RunApplication(theApp, instance); }
