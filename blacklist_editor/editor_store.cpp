#include "blacklist_editor/editor_store.h"

#include "blacklist_editor/central_editor_store.h"
#include "blacklist_editor/local_editor_store.h"
#include "central/central_password.h"
#include "central/central_settings.h"

std::unique_ptr<EditorStore> ChooseEditorStore() {
  const CentralSettings settings = LoadCentralSettings();
  if (!settings.officeConnection.empty()) {
    std::wstring password;
    const PasswordLoad load = LoadCentralPassword(kOfficePasswordFile, password);
    return std::make_unique<CentralEditorStore>(settings.officeConnection, load, std::move(password));
  }
  return std::make_unique<LocalEditorStore>(CentralRecordsOn(settings));
}
