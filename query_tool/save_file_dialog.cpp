#include "query_tool/save_file_dialog.h"

#include <utility>

namespace {
SaveFileDialogHandler& Handler() {
  static SaveFileDialogHandler handler;
  return handler;
}
}  // namespace

BOOL ShowSaveFileDialog(OPENFILENAMEW& dialog) {
  if (const auto& handler = Handler()) return handler(dialog);
  return GetSaveFileNameW(&dialog);
}

void SetSaveFileDialogHandler(SaveFileDialogHandler handler) { Handler() = std::move(handler); }
