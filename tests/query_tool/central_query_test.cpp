// The query window searching every counter's reads on a private central
// server (started by the test's wrapper): pages and the station column, a
// month pick, name and number prefixes meaning what they mean locally, the
// photo decoded from the stored bytes, the export with the station, and a
// server that cannot be reached.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/sample_portraits.h"
#include "central/central_password.h"
#include "central/central_search.h"
#include "central/central_settings.h"
#include "central/odbc_session.h"
#include "common/message_box.h"
#include "common/suite_folders.h"
#include "export_reader.h"
#include "photo_decoder/wlt_codec.h"
#include "query_tool/id_card_dlg.h"
#include "query_tool/resource_ids.h"
#include "query_tool/save_file_dialog.h"
#include "query_window_fixture.h"
#include "support/app_data_folder.h"

namespace {

// In the order the server sorts them.
const wchar_t* const kStations[] = {L"东站1号窗口", L"北站", L"西站"};
constexpr int kJanuaryReads = 120;
constexpr wchar_t kPhotoNumber[] = L"11010519491231002X";

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? value : L"";
}

std::string Utf8(const std::wstring& text) {
  std::string narrow(text.size() * 3, '\0');
  narrow.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                             narrow.data(), static_cast<int>(narrow.size()), nullptr,
                                                             nullptr)));
  return narrow;
}

std::wstring Hex(const std::vector<std::uint8_t>& bytes) {
  std::wstring hex;
  wchar_t pair[3];
  for (std::uint8_t byte : bytes) {
    std::swprintf(pair, 3, L"%02x", byte);
    hex += pair;
  }
  return hex;
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// The bitmap the photo decoder makes of bytes (image.bmp beside the
// image.wlt it is given), decoded apart from the program under test.
std::vector<std::uint8_t> DecodedByTheDecoder(const std::vector<std::uint8_t>& bytes, const std::wstring& folder) {
  const std::wstring wlt = folder + L"image.wlt";
  HANDLE file = CreateFileW(wlt.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  HMODULE library = LoadLibraryW(L"PhotoDecoder.dll");
  using GetBmpFunction = int(WINAPI*)(const char*, int);
  const auto getBmp =
      reinterpret_cast<GetBmpFunction>(reinterpret_cast<void*>(GetProcAddress(library, "GetBmp")));
  char narrow[MAX_PATH];
  WideCharToMultiByte(936, 0, wlt.c_str(), -1, narrow, MAX_PATH, nullptr, nullptr);
  const bool decoded = getBmp != nullptr && getBmp(narrow, 1) == 1;
  FreeLibrary(library);
  return decoded ? ReadBytes(folder + L"image.bmp") : std::vector<std::uint8_t>{};
}

// Double-clicks the first row of the result list; the detail dialog it
// opens runs the steps.
ModalOutcome OpenFirstRow(HWND window, const DialogSteps& steps) {
  HWND list = GetDlgItem(window, IDC_RESULT_LIST);
  RECT item{};
  ListView_GetItemRect(list, 0, &item, LVIR_LABEL);
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  return DriveModal(
      [&] {
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list, WM_LBUTTONUP, 0, at);
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageW(list, WM_LBUTTONUP, 0, at);
        return INT_PTR{0};
      },
      steps, std::chrono::milliseconds(10000));
}

std::wstring ColumnHeading(HWND window, int column) {
  wchar_t text[32] = {};
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT;
  info.pszText = text;
  info.cchTextMax = 32;
  ListView_GetColumn(GetDlgItem(window, IDC_RESULT_LIST), column, &info);
  return text;
}

class CentralQueryTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring office = Environment(L"CENTRAL_OFFICE");
    ASSERT_FALSE(office.empty()) << "run beside a central server (tests/support/with-central-server)";
    wchar_t folder[kPathCapacity];
    ASSERT_NE(GetSettingsFolder(kPathCapacity, folder), 0);
    CreateDirectoryW(folder, nullptr);
    UseOffice(office);
    ASSERT_TRUE(SaveCentralPassword(kOfficePasswordFile, L"office1"));
    std::wstring superuser = office;
    superuser.replace(superuser.find(L"Uid=office1;"), 12, L"Uid=central;");
    ASSERT_TRUE(admin_.Connect(superuser, L"central").ok());
    photo_ = EncodeWltPhoto(MakeSamplePortrait(7, kWltPhotoWidth, kWltPhotoHeight));
    ASSERT_FALSE(photo_.empty());
    // January: three reads a minute, one at each station, stored latest
    // first so that only the order asked for lists them by time and
    // station; February: a name with a backslash; March: a read with its
    // photo.
    Execute(L"delete from card_reads");
    Execute(L"insert into card_reads (station, cardname, sex, nation, birth, address, cardid, authority, validfrom, "
            L"validto, newaddress, readtime, datetag) select (array['东站1号窗口','北站','西站'])[n % 3 + 1], "
            L"'Reader ' || lpad(n::text, 4, '0'), case when n % 2 = 0 then '男' else '女' end, '汉', '19900101', "
            L"'北京市东城区' || n, '1101011990010' || lpad(n::text, 5, '0'), '北京市公安局', '20100507', "
            L"'20300507', '', timestamp '2024-01-01' + n / 3 * interval '1 minute', 132645121 "
            L"from generate_series(119, 0, -1) n");
    Execute(L"insert into card_reads values ('西站', 'Reader\\9', '男', '汉', '19900101', '地址', "
            L"'110101199001019999', '北京市公安局', '20100507', '20300507', '', '2024-02-10 10:00:00', 132645386, "
            L"null)");
    Execute(L"insert into card_reads values ('东站1号窗口', '张三', '男', '汉', '19491231', '北京市西城区', '" +
            std::wstring(kPhotoNumber) + L"', '北京市公安局西城分局', '20100507', '20300507', '', " +
            L"'2024-03-05 08:09:10', 132645637, decode('" + Hex(photo_) + L"', 'hex'))");
  }

  void UseOffice(const std::wstring& connection) {
    CentralSettings settings = LoadCentralSettings();
    settings.officeConnection = connection;
    ASSERT_TRUE(SaveCentralSettings(settings));
  }

  void Execute(const std::wstring& sql) {
    OdbcStatement statement(admin_.Handle());
    const SQLRETURN result =
        SQLExecDirectW(statement.get(), reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(sql.c_str())), SQL_NTS);
    // A delete of no rows gives no data.
    ASSERT_TRUE(SQL_SUCCEEDED(result) || result == SQL_NO_DATA)
        << Utf8(OdbcSession::Failure(SQL_HANDLE_STMT, statement.get(), CentralFault::kFailed).message);
  }

  void SearchYear(HWND window, const wchar_t* name, const wchar_t* number) {
    SetDlgItemTextW(window, IDC_NAME, name);
    SetDlgItemTextW(window, IDC_NUMBER, number);
    QueryYear(window, 2024);
  }

  ScopedAppDataFolder appData_;
  QueryDatabase database_;
  OdbcSession admin_;
  std::vector<std::uint8_t> photo_;
  CPelloryDlg window_;
};

TEST_F(CentralQueryTest, PagesThroughEveryStationsReadsWithTheStationLast) {
  RunModal(window_, [&](HWND window) {
    EXPECT_EQ(window_.m_tree.GetCount(), 13) << "one year, from January to March";
    EXPECT_EQ(ColumnHeading(window, 10), L"站点");
    ASSERT_TRUE(PickMonth(window, 2024, 1));
    EXPECT_EQ(StatusText(window), L"总计：120条记录 当前记录：1～50");
    ASSERT_EQ(ListRows(window), 50);
    EXPECT_EQ(ListText(window, 0, 0), L"Reader 0000");
    EXPECT_EQ(ListText(window, 0, 8), L"2024-01-01 00:00:00");
    EXPECT_EQ(ListText(window, 0, 10), kStations[0]);
    EXPECT_EQ(ListText(window, 49, 0), L"Reader 0049");
    ClickSpinArrow(window, true);
    EXPECT_EQ(StatusText(window), L"总计：120条记录 当前记录：51～100");
    EXPECT_EQ(ListText(window, 0, 0), L"Reader 0050");
    EXPECT_EQ(ListText(window, 0, 8), L"2024-01-01 00:16:00");
    EXPECT_EQ(ListText(window, 0, 10), kStations[50 % 3]);
    EXPECT_EQ(ListText(window, 0, 5), L"110101199001000050");
  });
}

TEST_F(CentralQueryTest, NameAndNumberPrefixesFindWhatTheLocalSearchFinds) {
  RunModal(window_, [&](HWND window) {
    SearchYear(window, L"Reader 001", L"");
    EXPECT_EQ(StatusText(window), L"总计：10条记录 当前记录：1～10");
    // The local search takes "\" as itself and "x" as "X".
    SearchYear(window, L"Reader\\", L"");
    EXPECT_EQ(StatusText(window), L"总计：1条记录 当前记录：1～1");
    EXPECT_EQ(ListText(window, 0, 0), L"Reader\\9");
    SearchYear(window, L"", L"11010519491231002x");
    EXPECT_EQ(StatusText(window), L"总计：1条记录 当前记录：1～1");
    EXPECT_EQ(ListText(window, 0, 0), L"张三");
    SearchYear(window, L"", L"1101011990010000");
    EXPECT_EQ(StatusText(window), L"总计：100条记录 当前记录：1～50");
    CheckDlgButton(window, IDC_FEMALE, BST_UNCHECKED);
    SearchYear(window, L"Reader 00", L"11010119900100");
    EXPECT_EQ(StatusText(window), L"总计：50条记录 当前记录：1～50");
    EXPECT_EQ(ListText(window, 49, 1), L"男");
  });
}

// The number is listed centrally, and this computer's own table is empty.
TEST_F(CentralQueryTest, TheDetailShowsThePhotoDecodedFromTheStoredBytesAndTheCentralAlarm) {
  Execute(L"delete from blacklist");
  Execute(L"insert into blacklist values ('" + std::wstring(kPhotoNumber) + L"', '在逃')");
  ScopedTempFolder scratch;
  const std::vector<std::uint8_t> expected = DecodedByTheDecoder(photo_, scratch.Path());
  ASSERT_FALSE(expected.empty());
  RunModal(window_, [&](HWND window) {
    ASSERT_TRUE(PickMonth(window, 2024, 3));
    ASSERT_EQ(ListRows(window), 1);
    const ModalOutcome detail = OpenFirstRow(window, [&](HWND shown) {
      auto* dialog = dynamic_cast<CIDCardDlg*>(reinterpret_cast<CDialog*>(GetWindowLongPtrW(shown, DWLP_USER)));
      ASSERT_NE(dialog, nullptr);
      EXPECT_NE(dialog->m_hPhoto.Get(), nullptr);
      EXPECT_EQ(ReadBytes(dialog->m_photoPath), expected);
      EXPECT_NE(dialog->m_photoPath.find(L"TarnwickRead-"), std::wstring::npos) << "this process's reading folder";
      EXPECT_EQ(dialog->m_blacklist, BlacklistAnswer::kListed);
    });
    EXPECT_TRUE(detail.stepsRan);
  });
  // The save folder's copies stand for the last card this computer read.
  EXPECT_EQ(GetFileAttributesW((database_.Folder() + L"image.wlt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((database_.Folder() + L"image.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CentralQueryTest, TheExportWritesEveryHitWithItsStation) {
  ScopedTempFolder scratch;
  const std::wstring chosen = scratch / L"central.xls";
  std::vector<std::wstring> messages;
  SetMessageBoxHandler([&](HWND, const wchar_t* text, const wchar_t*, UINT) {
    messages.push_back(text);
    return IDOK;
  });
  SetSaveFileDialogHandler([&](OPENFILENAMEW& dialog) {
    wcscpy_s(dialog.lpstrFile, dialog.nMaxFile, chosen.c_str());
    return TRUE;
  });
  RunModal(window_, [&](HWND window) {
    ASSERT_TRUE(PickMonth(window, 2024, 1));
    ClickButton(window, IDC_EXPORT);
  });
  SetMessageBoxHandler({});
  SetSaveFileDialogHandler({});
  EXPECT_TRUE(messages.empty()) << Utf8(messages.empty() ? L"" : messages.front());
  const SheetContents sheet = ReadExportWithXlrd(chosen).at("Sheet1");
  ASSERT_EQ(sheet.rows.size(), kJanuaryReads + 1u);
  EXPECT_EQ(sheet.headerBold, "11111111111");
  ASSERT_EQ(sheet.rows[0].size(), 11u);
  EXPECT_EQ(sheet.rows[0][10], Utf8(L"站点"));
  EXPECT_EQ(sheet.rows[1], (std::vector<std::string>{"Reader 0000", Utf8(L"男"), Utf8(L"汉"), Utf8(L"1990年01月01日"),
                                                    Utf8(L"北京市东城区0"), "110101199001000000",
                                                    Utf8(L"北京市公安局"), "2010.05.07-2030.05.07",
                                                    "2024-01-01 00:00:00", "", Utf8(kStations[0])}));
  EXPECT_EQ(sheet.rows[kJanuaryReads][0], "Reader 0119");
  EXPECT_EQ(sheet.rows[kJanuaryReads][10], Utf8(kStations[119 % 3]));
}

TEST_F(CentralQueryTest, AServerOutOfReachIsSaidSoAndNeverNoHits) {
  // Nothing listens on port 1.
  std::wstring nowhere = Environment(L"CENTRAL_OFFICE");
  nowhere.replace(nowhere.find(L"Port="), nowhere.find(L';', nowhere.find(L"Port=")) - nowhere.find(L"Port="),
                  L"Port=1");
  UseOffice(nowhere);
  RunModal(window_, [&](HWND window) {
    EXPECT_EQ(window_.m_tree.GetCount(), 0);
    EXPECT_EQ(StatusText(window), kCentralMonthTreeFailedText);
    QueryYear(window, 2024);
    EXPECT_EQ(StatusText(window), kCentralQueryFailedText);
    EXPECT_EQ(ListRows(window), 0);
    EXPECT_EQ(window_.m_nTotal, 0);
  });
}

// A site searches on a hot standby kept by streaming replication (the
// wrapper starts one): a read committed on the primary is found there
// within two seconds.
TEST_F(CentralQueryTest, AReadCommittedOnThePrimaryIsFoundOnTheStandbyWithinTwoSeconds) {
  CentralSettings settings = LoadCentralSettings();
  settings.searchConnection = Environment(L"CENTRAL_STANDBY");
  ASSERT_FALSE(settings.searchConnection.empty()) << "run beside a standby (with-central-server --standby)";
  ASSERT_TRUE(SaveCentralSettings(settings));
  constexpr wchar_t kNewNumber[] = L"110101200012310017";
  RunModal(window_, [&](HWND window) {
    SearchYear(window, L"", kNewNumber);
    EXPECT_EQ(ListRows(window), 0);
    Execute(L"insert into card_reads values ('北站', '李四', '男', '汉', '20001231', '北京市', '" +
            std::wstring(kNewNumber) + L"', '北京市公安局', '20100507', '20300507', '', '2024-04-01 10:00:00', "
            L"132645889, null)");
    const auto committed = std::chrono::steady_clock::now();
    bool found = false;
    while (!found && std::chrono::steady_clock::now() - committed < std::chrono::seconds(2)) {
      SearchYear(window, L"", kNewNumber);
      found = ListRows(window) == 1;
    }
    EXPECT_TRUE(found) << "the read did not reach the standby within 2 s";
    EXPECT_EQ(ListText(window, 0, 10), L"北站");

    // The window searches the standby, not the primary: with its replay
    // paused a new read stays out of sight.
    std::wstring standbyAdmin = settings.searchConnection;
    standbyAdmin.replace(standbyAdmin.find(L"Uid=office1;"), 12, L"Uid=central;");
    OdbcSession standby;
    ASSERT_TRUE(standby.Connect(standbyAdmin, L"central").ok());
    OdbcStatement pause(standby.Handle());
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecDirectW(pause.get(), const_cast<SQLWCHAR*>(
                                                 reinterpret_cast<const SQLWCHAR*>(L"select pg_wal_replay_pause()")),
                                             SQL_NTS)));
    Execute(L"update card_reads set cardname = '李四二' where cardid = '" + std::wstring(kNewNumber) + L"'");
    Sleep(500);
    SearchYear(window, L"李四二", L"");
    EXPECT_EQ(ListRows(window), 0);
    OdbcStatement resume(standby.Handle());
    SQLExecDirectW(resume.get(), const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(L"select pg_wal_replay_resume()")),
                   SQL_NTS);
  });
}

}  // namespace
