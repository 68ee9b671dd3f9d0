// The print job through a real scheduler: the build's own print server
// (scripts/print-server) with a PDF queue as the default printer, the
// printer dialog answered by the test, the jobs counted by the server.
#include <windows.h>

#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/print_job.h"
#include "common/reader_settings.h"
#include "settings_files.h"
#include "support/app_data_folder.h"
#include "support/modal_driver.h"
#include "support/temp_folder.h"

namespace {

const std::wstring kPrintServerFolder = PRINT_SERVER_DIR;

// The ids of the jobs the print server itself lists (lpstat -W which:
// "all", the completed ones too, or "not-completed"); nothing when it could
// not be asked. The platform's own job list is no witness under Wine, which
// answers it with an empty list whatever the queue holds.
std::optional<std::set<std::string>> ServerJobs(const wchar_t* which) {
  const std::wstring listing = L"jobs.txt";
  DeleteFileW((kPrintServerFolder + listing).c_str());
  std::wstring command = L"start.exe /wait /unix /bin/sh \"" LIST_PRINT_JOBS_SCRIPT L"\" " + std::wstring(which) +
                         L" \"" PRINT_SERVER_HOST_DIR + listing + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return std::nullopt;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // "start /unix" returns before the listing is written.
  for (int waited = 0; !FileExists(kPrintServerFolder + listing) && waited < 30000; waited += 20) Sleep(20);
  std::istringstream text(ReadWholeFile(kPrintServerFolder + listing));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  if (lines.empty() || lines.back() != "exit 0") return std::nullopt;
  lines.pop_back();
  // A line starts with the job's id ("CardPDF-12").
  std::set<std::string> ids;
  for (const std::string& line : lines) ids.insert(line.substr(0, line.find(' ')));
  return ids;
}

std::set<std::string> Jobs(const wchar_t* which) {
  const auto jobs = ServerJobs(which);
  EXPECT_TRUE(jobs.has_value()) << "the print server did not answer";
  return jobs.value_or(std::set<std::string>{});
}

// Jobs the server has taken since it listed known. Counted by id: the
// server forgets its oldest finished jobs once it keeps many.
std::size_t JobsSince(const std::set<std::string>& known) {
  std::size_t count = 0;
  for (const std::string& id : Jobs(L"all")) count += known.count(id) == 0 ? 1 : 0;
  return count;
}

bool WaitFor(const std::function<bool()>& condition, DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 100) {
    if (condition()) return true;
    Sleep(100);
  }
  return condition();
}

// Pages of a PDF: page objects ("/Type/Page", with or without the space),
// not the page tree ("/Type /Pages").
int PdfPages(const std::string& pdf) {
  int pages = 0;
  for (std::size_t at = pdf.find("/Type"); at != std::string::npos; at = pdf.find("/Type", at + 1)) {
    std::size_t name = at + 5;
    while (name < pdf.size() && pdf[name] == ' ') ++name;
    if (pdf.compare(name, 5, "/Page") == 0 && (name + 5 >= pdf.size() || pdf[name + 5] != 's')) ++pages;
  }
  return pages;
}

class PrintJobTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring settings = appData_.Path() + L"Tarnwick\\";
    ASSERT_TRUE(CreateDirectoryW(settings.c_str(), nullptr));
    WriteUnicodeFile(settings + L"RoraDI.ini", L"[Print]\nMode=0\n");
    LoadSettings();
    DeleteFileW(pdf_.c_str());
  }

  // Runs the print command and answers its printer dialog with button.
  ModalOutcome Print(int button) {
    const CardFaceText text{};
    return DriveModal(
        [&] {
          PrintCardFace(nullptr, text, kFaceSlotCount, L"");
          return INT_PTR{0};
        },
        [&](HWND dialog) { ClickButton(dialog, button); });
  }

  std::string PageLog() const { return ReadWholeFile(kPrintServerFolder + L"log\\page_log"); }

  ScopedAppDataFolder appData_;
  std::wstring pdf_ = kPrintServerFolder + L"pdf\\job.pdf";
};

TEST_F(PrintJobTest, ModeZeroSendsOneEmptyPageNamedIDCard) {
  const std::string logBefore = PageLog();
  const std::set<std::string> jobsBefore = Jobs(L"all");
  const ModalOutcome outcome = Print(IDOK);
  ASSERT_TRUE(outcome.stepsRan) << "no printer dialog";
  // The job is handed to the scheduler before the print command returns.
  EXPECT_EQ(JobsSince(jobsBefore), 1u);
  ASSERT_TRUE(WaitFor([&] { return PageLog() != logBefore && Jobs(L"not-completed").empty(); }, 30000))
      << "a job is left in the queue";
  EXPECT_NE(PageLog().substr(logBefore.size()).find(" IDCard "), std::string::npos);
  // The queue's device writes the file while the job is processed.
  ASSERT_TRUE(WaitFor([&] { return ReadWholeFile(pdf_).find("%%EOF") != std::string::npos; }, 30000));
  EXPECT_EQ(PdfPages(ReadWholeFile(pdf_)), 1);
}

TEST_F(PrintJobTest, CancellingThePrinterDialogLeavesNoJob) {
  const std::string logBefore = PageLog();
  const std::set<std::string> jobsBefore = Jobs(L"all");
  ASSERT_TRUE(Print(IDCANCEL).stepsRan);
  EXPECT_EQ(JobsSince(jobsBefore), 0u);
  EXPECT_EQ(PageLog(), logBefore);
  EXPECT_FALSE(FileExists(pdf_));
}

TEST_F(PrintJobTest, APageThatCannotBeDrawnIsNotSent) {
  const std::string logBefore = PageLog();
  const std::set<std::string> jobsBefore = Jobs(L"all");
  wchar_t name[256];
  DWORD length = 256;
  ASSERT_TRUE(GetDefaultPrinterW(name, &length));
  HDC printer = CreateDCW(L"WINSPOOL", name, nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  int drawings = 0;
  EXPECT_FALSE(PrintOnePage(printer, [&](HDC) { return ++drawings, 0; }));
  DeleteDC(printer);
  EXPECT_EQ(drawings, 1);
  EXPECT_EQ(JobsSince(jobsBefore), 0u) << "a blank page was sent";
  EXPECT_EQ(PageLog(), logBefore);
  EXPECT_FALSE(FileExists(pdf_));
}

}  // namespace
