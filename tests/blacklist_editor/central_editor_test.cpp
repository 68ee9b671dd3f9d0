// The editor with the office's connection set, against a private central
// server (tests/support/with-central-server): adding, changing, importing
// and deleting reach the server's table and never the card database's,
// the title names the server, a number is never listed twice, an import
// the server refuses in part leaves nothing, and a server that cannot be
// reached is named and changes nothing. A counter's pull, run beside the
// editor, brings its own table after the server's.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "blacklist_editor/blacklist_dlg.h"
#include "blacklist_editor/editor_resource_ids.h"
#include "blacklist_editor/entry_dlg.h"
#include "central/blacklist_pull.h"
#include "central/central_password.h"
#include "central/central_settings.h"
#include "central/odbc_session.h"
#include "common/message_box.h"
#include "editor_database.h"
#include "support/modal_driver.h"
#include "support/screenshot.h"
#include "support/temp_folder.h"

namespace {

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

std::string Narrow(const std::wstring& ascii) { return {ascii.begin(), ascii.end()}; }

std::wstring Environment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  EXPECT_NE(value, nullptr) << "run under with-central-server";
  return value == nullptr ? std::wstring() : value;
}

std::wstring OfficeConnection() { return Environment(L"CENTRAL_OFFICE"); }

// The same server under another login.
std::wstring ConnectionAs(const wchar_t* login) {
  std::wstring connection = OfficeConnection();
  const std::size_t uid = connection.find(L"Uid=office1;");
  if (uid != std::wstring::npos) connection.replace(uid, 12, std::wstring(L"Uid=") + login + L";");
  return connection;
}

// A login of the test's own on the server, to seed and look.
class ServerQuery {
 public:
  ServerQuery(const std::wstring& connection, const wchar_t* password) {
    const CentralResult result = session_.Connect(connection, password);
    EXPECT_TRUE(result.ok()) << Narrow(result.message);
  }
  bool Execute(const wchar_t* sql) {
    OdbcStatement statement(session_.Handle());
    // A change of no row is "no data".
    const SQLRETURN result = SQLExecDirectW(statement.get(), Sql(sql), SQL_NTS);
    return SQL_SUCCEEDED(result) || result == SQL_NO_DATA;
  }
  // The first column of the first row, or -1.
  long long Number(const wchar_t* sql) {
    OdbcStatement statement(session_.Handle());
    SQLBIGINT value = -1;
    SQLLEN length = 0;
    if (!SQL_SUCCEEDED(SQLExecDirectW(statement.get(), Sql(sql), SQL_NTS)) ||
        !SQL_SUCCEEDED(SQLFetch(statement.get())) ||
        !SQL_SUCCEEDED(SQLGetData(statement.get(), 1, SQL_C_SBIGINT, &value, 0, &length))) {
      return -1;
    }
    return value;
  }

 private:
  static SQLWCHAR* Sql(const wchar_t* text) { return reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text)); }
  OdbcSession session_;
};

std::wstring ListText(HWND dialog, int item, int column) {
  wchar_t text[256] = L"";
  ListView_GetItemText(GetDlgItem(dialog, IDC_LIST), item, column, text, static_cast<int>(std::size(text)));
  return text;
}

// Looks every 100 ms until the condition holds or the time is up.
bool HoldsWithin(DWORD timeoutMs, const std::function<bool()>& condition) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    Sleep(100);
  }
  return true;
}

int ListCount(HWND dialog) { return ListView_GetItemCount(GetDlgItem(dialog, IDC_LIST)); }

std::wstring WindowText(HWND window) {
  wchar_t text[256] = L"";
  GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

// Imports path through the summary, taking the numbers with a wrong check
// digit as well when includeWrong.
void ImportThroughSummary(CBlackListDlg& dialog, const std::wstring& path, bool includeWrong,
                          std::wstring* counts = nullptr) {
  const ModalOutcome summary = DriveModal(
      [&] {
        dialog.ImportFile(path);
        return INT_PTR{0};
      },
      [&](HWND summaryWindow) {
        if (counts != nullptr) *counts = ControlText(summaryWindow, IDC_SUMMARY_COUNTS);
        if (includeWrong) ClickButton(summaryWindow, IDC_INCLUDE_WRONG_CHECK);
        ClickButton(summaryWindow, IDOK);
      });
  EXPECT_TRUE(summary.stepsRan) << "the summary was not shown";
}

// In the editor's list: the third number's reason becomes "证件挂失", then
// the first number is deleted.
void ChangeThirdReasonAndDeleteFirst(HWND window) {
  HWND list = GetDlgItem(window, IDC_LIST);
  ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
  const ModalOutcome edited = DriveModal(
      [&] {
        ClickButton(window, IDC_EDIT_REASON);
        return INT_PTR{0};
      },
      [](HWND entry) {
        SetControlText(entry, IDC_REASON, L"证件挂失");
        ClickButton(entry, IDOK);
      });
  EXPECT_TRUE(edited.stepsRan);
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  ClickButton(window, IDC_DELETE);
}

class CentralEditorTest : public testing::Test {
 protected:
  void SetUp() override {
    UseOfficeConnection(OfficeConnection());
    ASSERT_TRUE(SaveCentralPassword(kOfficePasswordFile, L"office1"));
    ASSERT_TRUE(office_.Execute(L"delete from blacklist"));
    SetMessageBoxHandler([this](HWND, const wchar_t* text, const wchar_t*, UINT) {
      messages_.push_back(text);
      return IDYES;
    });
  }
  void TearDown() override { SetMessageBoxHandler({}); }

  static void UseOfficeConnection(const std::wstring& connection) {
    CentralSettings settings = LoadCentralSettings();
    settings.officeConnection = connection;
    ASSERT_TRUE(SaveCentralSettings(settings));
  }

  EditorDatabase database_;
  ServerQuery office_{OfficeConnection(), L"office1"};
  std::vector<std::wstring> messages_;
};

TEST_F(CentralEditorTest, TheListOnTheServerIsShownChangedImportedAndDeletedThere) {
  ASSERT_TRUE(office_.Execute(L"insert into blacklist values ('99052119920314002X', 'earlier')"));
  ScopedTempFolder folder;
  const std::wstring path = folder / L"通报.txt";
  WriteFile(path,
            "110105194912310038\t\xE5\x9C\xA8\xE9\x80\x83\r\n"
            "110105194912310039\tprinted so\r\n"
            "99052119920314002X\r\n"
            "12345\r\n");
  const std::wstring server = L"中心服务器 127.0.0.1:" + Environment(L"CENTRAL_PORT");
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND window) {
    EXPECT_EQ(WindowText(window), L"黑名单管理（" + server + L"）");
    EXPECT_EQ(ControlText(window, IDC_DATABASE), L"数据库：" + server);
    ASSERT_EQ(ListCount(window), 1);
    std::wstring counts;
    ImportThroughSummary(dialog, path, true, &counts);
    EXPECT_TRUE(Contains(counts, L"将添加 1 个号码；1 个号码已在名单中；2 行未导入。")) << Narrow(counts);
    ASSERT_EQ(ListCount(window), 3);
    SaveWindowScreenshot(window, "blacklist_editor_central");
    // The server orders by number.
    EXPECT_EQ(ListText(window, 0, 0), L"110105194912310038");
    ChangeThirdReasonAndDeleteFirst(window);
    EXPECT_EQ(ListCount(window), 2);
  });
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0], L"已导入 2 个号码。");
  EXPECT_EQ(messages_[1], L"确定从黑名单中删除选中的 1 条记录吗？");
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist"), 2);
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist where cardid = '110105194912310039'"), 1);
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist where reason = '证件挂失'"), 1);
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 0) << "the card database's table was edited";
}

// The pull runs as the reader program runs it, every second: the first
// copies the list, the next ones bring the editor's changes.
TEST_F(CentralEditorTest, TheCountersOwnTableFollowsTheEditorAtTheNextPull) {
  ASSERT_TRUE(office_.Execute(L"insert into blacklist values ('99052119920314002X', 'earlier'), "
                              L"('110105194912310038', 'earlier')"));
  CentralSettings counter = LoadCentralSettings();
  counter.connection = Environment(L"CENTRAL_COUNTER");
  counter.pullSeconds = 1;
  ASSERT_TRUE(SaveCentralPassword(kCounterPasswordFile, L"counter1"));
  BlacklistPull pull;
  ASSERT_TRUE(pull.Start(counter));
  const auto local = [this](const char* sql) { return database_.Number(sql); };
  ASSERT_TRUE(HoldsWithin(5000, [&] { return local("select count(*) from blacklist;") == 2; }))
      << "the first pull did not copy the list";

  ScopedTempFolder folder;
  const std::wstring path = folder / L"新增.txt";
  WriteFile(path, "110105194912310039\tprinted so\r\n");
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND window) {
    // Its check digit is wrong: taken all the same.
    ImportThroughSummary(dialog, path, true);
    ASSERT_EQ(ListCount(window), 3);
    // Ordered by number: ...0038, ...0039, 9905...
    ChangeThirdReasonAndDeleteFirst(window);
  });
  const auto follows = [&] {
    return local("select count(*) from blacklist;") == 2 &&
           local("select count(*) from blacklist where cardid = '110105194912310039' and reason = 'printed so';") ==
               1 &&
           local("select count(*) from blacklist where cardid = '99052119920314002X' and reason = '证件挂失';") == 1;
  };
  // Two intervals: a change may land just after a pull asked.
  EXPECT_TRUE(HoldsWithin(2 * 1000 + 1000, follows))
      << local("select count(*) from blacklist;") << " numbers listed locally";
  pull.Stop();
}

TEST_F(CentralEditorTest, AnAddNeverListsANumberTwice) {
  ASSERT_TRUE(office_.Execute(L"insert into blacklist values ('110105194912310038', 'earlier')"));
  CEntryDlg entry(nullptr);
  const ModalOutcome outcome = RunModal(entry, [&](HWND window) {
    SetControlText(window, IDC_NUMBER, L"110105194912310038");
    ClickButton(window, IDOK);
    EXPECT_TRUE(Contains(ControlText(window, IDC_ENTRY_MESSAGE), L"已在黑名单中"));
    SetControlText(window, IDC_NUMBER, L"99052119920314002x");
    SetControlText(window, IDC_REASON, L"在逃");
    ClickButton(window, IDOK);
  });
  EXPECT_EQ(outcome.result, IDOK);
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist"), 2);
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist where cardid = '110105194912310038' and reason = 'earlier'"),
            1);
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist where cardid = '99052119920314002X'"), 1);
}

// One number of a long list refused by the server, in the list's second
// thousand: what the server took before it must go as well.
TEST_F(CentralEditorTest, AnImportTheServerRefusesInPartLeavesTheListAsItWas) {
  ServerQuery superuser(ConnectionAs(L"central"), L"central");
  const std::wstring refused = MadeUpNumber(1200);
  ASSERT_TRUE(superuser.Execute((L"alter table blacklist add constraint refuse_one check (cardid <> '" + refused +
                                 L"')").c_str()));
  ScopedTempFolder folder;
  const std::wstring path = folder / L"全部名单.txt";
  std::string text;
  for (int i = 0; i < 1500; ++i) text += Narrow(MadeUpNumber(i)) + "\r\n";
  WriteFile(path, text);
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND) { ImportThroughSummary(dialog, path, false); });
  EXPECT_TRUE(superuser.Execute(L"alter table blacklist drop constraint refuse_one"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(Contains(messages_[0], L"中心服务器出错")) << Narrow(messages_[0].substr(0, 20));
  EXPECT_TRUE(messages_[0].ends_with(L"黑名单未作更改。"));
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist"), 0);
}

TEST_F(CentralEditorTest, AServerThatCannotBeReachedIsNamedAndNothingChanges) {
  // Nothing listens on port 1 of the machine itself.
  UseOfficeConnection(L"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=central;Uid=office1;");
  CBlackListDlg dialog;
  RunModal(dialog, [&](HWND window) {
    EXPECT_EQ(WindowText(window), L"黑名单管理（中心服务器 127.0.0.1:1）");
    EXPECT_EQ(ListCount(window), 0);
    const ModalOutcome added = DriveModal(
        [&] {
          ClickButton(window, IDC_ADD);
          return INT_PTR{0};
        },
        [](HWND entry) {
          SetControlText(entry, IDC_NUMBER, L"110105194912310038");
          ClickButton(entry, IDOK);
          EXPECT_EQ(ControlText(entry, IDC_ENTRY_MESSAGE),
                    L"无法连接中心服务器，请检查网络，或请管理员确认服务器已启动。黑名单未作更改。");
        });
    EXPECT_TRUE(added.closedByDriver) << "the add dialog closed as if the number were added";
  });
  ASSERT_EQ(messages_.size(), 1u) << "the list offered the default file";
  EXPECT_EQ(messages_[0], L"无法连接中心服务器，请检查网络，或请管理员确认服务器已启动。无法读取黑名单。");
  EXPECT_EQ(database_.Number("select count(*) from blacklist;"), 0) << "the card database's table was edited";
  EXPECT_EQ(office_.Number(L"select count(*) from blacklist"), 0);
}

}  // namespace
