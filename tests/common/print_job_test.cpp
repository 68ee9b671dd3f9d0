// The print job through a real scheduler: the build's own print server
// (scripts/print-server) with a PDF queue as the default printer, the
// printer dialog answered by the test.
#include <windows.h>

#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/print_job.h"
#include "common/reader_settings.h"
#include "settings_files.h"
#include "support/app_data_folder.h"
#include "support/modal_driver.h"
#include "support/temp_folder.h"

namespace {

const std::wstring kPrintServerFolder = PRINT_SERVER_DIR;

int JobsInQueue() {
  wchar_t name[256];
  DWORD length = 256;
  HANDLE printer = nullptr;
  if (!GetDefaultPrinterW(name, &length) || !OpenPrinterW(name, &printer, nullptr)) return -1;
  DWORD needed = 0;
  DWORD count = 0;
  EnumJobsW(printer, 0, 100, 1, nullptr, 0, &needed, &count);
  std::string buffer(needed, '\0');
  if (needed > 0) EnumJobsW(printer, 0, 100, 1, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed, &count);
  ClosePrinter(printer);
  return static_cast<int>(count);
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
  const ModalOutcome outcome = Print(IDOK);
  ASSERT_TRUE(outcome.stepsRan) << "no printer dialog";
  ASSERT_TRUE(WaitFor([&] { return PageLog() != logBefore && JobsInQueue() == 0; }, 30000));
  EXPECT_NE(PageLog().substr(logBefore.size()).find(" IDCard "), std::string::npos);
  // The queue's device writes the file while the job is processed.
  ASSERT_TRUE(WaitFor([&] { return ReadWholeFile(pdf_).find("%%EOF") != std::string::npos; }, 30000));
  EXPECT_EQ(PdfPages(ReadWholeFile(pdf_)), 1);
}

TEST_F(PrintJobTest, CancellingThePrinterDialogLeavesNoJob) {
  const std::string logBefore = PageLog();
  ASSERT_TRUE(Print(IDCANCEL).stepsRan);
  Sleep(2000);
  EXPECT_EQ(JobsInQueue(), 0);
  EXPECT_EQ(PageLog(), logBefore);
  EXPECT_FALSE(FileExists(pdf_));
}

}  // namespace
