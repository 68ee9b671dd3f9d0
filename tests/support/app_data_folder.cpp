#include "support/app_data_folder.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kAppDataValue[] = L"AppData";

class ShellFoldersKey {
 public:
  ShellFoldersKey() {
    const LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kShellFoldersKey, 0, nullptr, 0,
                                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
    if (status != ERROR_SUCCESS) {
      key_ = nullptr;
      ADD_FAILURE() << "cannot open the user shell folders key: " << status;
    }
  }
  ~ShellFoldersKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  ShellFoldersKey(const ShellFoldersKey&) = delete;
  ShellFoldersKey& operator=(const ShellFoldersKey&) = delete;

  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

void WriteValue(DWORD type, const BYTE* data, DWORD size) {
  ShellFoldersKey key;
  if (key.get() == nullptr) return;
  const LONG status = RegSetValueExW(key.get(), kAppDataValue, 0, type, data, size);
  if (status != ERROR_SUCCESS) ADD_FAILURE() << "cannot write the AppData shell folder: " << status;
}

}  // namespace

ScopedAppDataFolder::ScopedAppDataFolder() {
  ShellFoldersKey key;
  if (key.get() == nullptr) return;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key.get(), kAppDataValue, nullptr, &oldType_, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    oldData_.resize(size);
    status = RegQueryValueExW(key.get(), kAppDataValue, nullptr, &oldType_, oldData_.data(), &size);
    oldData_.resize(size);
    hadValue_ = true;
  }
  // Without a faithful copy of the old value there is nothing to restore,
  // so the real one is left alone.
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    ADD_FAILURE() << "cannot read the AppData shell folder: " << status;
    return;
  }
  redirected_ = true;
  // The shell's own values name folders without a trailing backslash.
  const std::wstring& path = folder_.Path();
  PointAt(path.substr(0, path.size() - 1));
}

ScopedAppDataFolder::~ScopedAppDataFolder() {
  if (!redirected_) return;
  if (hadValue_) {
    WriteValue(oldType_, oldData_.data(), static_cast<DWORD>(oldData_.size()));
    return;
  }
  ShellFoldersKey key;
  if (key.get() != nullptr) RegDeleteValueW(key.get(), kAppDataValue);
}

void ScopedAppDataFolder::PointAt(const std::wstring& folder) {
  if (!redirected_) return;
  const DWORD size = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
  WriteValue(REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()), size);
}
