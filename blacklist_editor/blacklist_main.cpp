// The blacklist editor's entry point: one application object, run by the
// framework.
#include <windows.h>

#include "blacklist_editor/blacklist_app.h"

namespace {
CBlackListApp theApp;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return RunApplication(theApp, instance); }
