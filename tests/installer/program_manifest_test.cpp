// Every program of the program folder carries an application manifest that
// the system reads as meant: run as the invoking user (without one, Windows
// redirects a 32-bit program's writes into its program folder to a per-user
// store), the systems from Windows 7 on, and the version 6 common controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kSupportedSystems = 4;  // Windows 7, 8, 8.1, and 10 and later

std::vector<std::wstring> ProgramsOfFolder() {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(APP_FOLDER L"*.exe", &found);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    names.emplace_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// The activation context made from a program's manifest resource, as the
// loader makes it when the program starts.
class ProgramContext {
 public:
  explicit ProgramContext(const std::wstring& path) {
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    m_context = CreateActCtxW(&request);
  }
  ~ProgramContext() {
    if (m_context != INVALID_HANDLE_VALUE) {
      ReleaseActCtx(m_context);
    }
  }
  ProgramContext(const ProgramContext&) = delete;
  ProgramContext& operator=(const ProgramContext&) = delete;

  bool IsValid() const { return m_context != INVALID_HANDLE_VALUE; }

  ACTCTX_REQUESTED_RUN_LEVEL RunLevel() const {
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    if (!QueryActCtxW(0, m_context, nullptr, RunlevelInformationInActivationContext, &level, sizeof level, nullptr)) {
      return ACTCTX_RUN_LEVEL_UNSPECIFIED;
    }
    return level.RunLevel;
  }

  // The number of systems the manifest names as supported. Only the count
  // is read: the layout of the elements after it grew in later systems.
  DWORD SupportedSystemCount() const {
    SIZE_T needed = 0;
    QueryActCtxW(0, m_context, nullptr, CompatibilityInformationInActivationContext, nullptr, 0, &needed);
    if (needed < sizeof(DWORD)) {
      return 0;
    }
    std::vector<BYTE> information(needed);
    if (!QueryActCtxW(0, m_context, nullptr, CompatibilityInformationInActivationContext, information.data(), needed,
                      nullptr)) {
      return 0;
    }
    return reinterpret_cast<const ACTIVATION_CONTEXT_COMPATIBILITY_INFORMATION*>(information.data())->ElementCount;
  }

  // Whether the context sends the common controls library to the side-by-side
  // version 6 instead of the system folder's version 5.
  bool RedirectsCommonControls() const {
    ULONG_PTR cookie = 0;
    if (!ActivateActCtx(m_context, &cookie)) {
      return false;
    }
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof data;
    const bool redirected =
        FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data) != FALSE;
    DeactivateActCtx(0, cookie);
    return redirected;
  }

 private:
  HANDLE m_context = INVALID_HANDLE_VALUE;
};

TEST(ProgramManifestTest, EveryProgramRunsAsInvokerOnCurrentSystemsWithCurrentControls) {
  const std::vector<std::wstring> programs = ProgramsOfFolder();
  ASSERT_GE(programs.size(), 4u) << "the program folder holds too few programs";
  for (const std::wstring& name : programs) {
    SCOPED_TRACE(testing::Message() << std::string(name.begin(), name.end()));
    const ProgramContext context(APP_FOLDER + name);
    ASSERT_TRUE(context.IsValid()) << "no manifest the system accepts (error " << GetLastError() << ")";
    EXPECT_EQ(context.RunLevel(), ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(context.SupportedSystemCount(), static_cast<DWORD>(kSupportedSystems));
    EXPECT_TRUE(context.RedirectsCommonControls());
  }
}

}  // namespace
