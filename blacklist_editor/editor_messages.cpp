#include "blacklist_editor/editor_messages.h"

#include <sqlite3.h>

#include <cwchar>

#include "blacklist_editor/text_list_file.h"

namespace {

bool IsBusy(int sqliteCode) {
  const int primary = sqliteCode & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

std::wstring Format(const wchar_t* format, int value) {
  wchar_t text[128];
  std::swprintf(text, std::size(text), format, value);
  return text;
}

std::wstring FaultText(const RefusedLine& line) {
  switch (line.fault) {
    case LineFault::kWrongLength:
      return L"号码不是18位";
    case LineFault::kWrongCharacters:
      return L"号码应为17位数字加1位数字或X";
    case LineFault::kWrongCheckDigit:
      return L"校验位不正确";
    case LineFault::kRepeated:
      return Format(L"与第%d行重复", line.firstLine);
    case LineFault::kTooLong:
      return Format(L"行过长（原因超过%d字）", static_cast<int>(kMaxReasonLength));
    case LineFault::kNotText:
      return L"不是有效的文本";
  }
  return {};
}

// What the server's fault means for the user, without the consequence.
std::wstring CentralFaultText(const CentralResult& result) {
  switch (result.fault) {
    case CentralFault::kNone:
      return {};
    case CentralFault::kUnreachable:
      return L"无法连接中心服务器，请检查网络，或请管理员确认服务器已启动。";
    case CentralFault::kLoginRefused:
      return L"中心服务器拒绝登录：办公室的用户名或密码不正确，或本机无法读取保存的密码。"
             L"请用诊断工具重新设置（readerctl central set --office-connection ... --office-password-stdin）。";
    case CentralFault::kNotAllowed:
      return L"办公室的登录无权读取或修改中心服务器上的黑名单。";
    case CentralFault::kBadSettings:
      return L"中心服务器的连接设置无法使用（" + result.message + L"）。";
    case CentralFault::kWrongSchema:
    case CentralFault::kFailed:
      break;
  }
  return L"中心服务器出错（" + result.message + L"）。";
}

}  // namespace

std::wstring WriteFailureText(const StoreResult& result) {
  if (!result.central.ok()) return CentralFaultText(result.central) + L"黑名单未作更改。";
  return WriteFailureText(result.sqliteCode);
}

std::wstring ReadFailureText(const StoreResult& result) {
  if (!result.central.ok()) return CentralFaultText(result.central) + L"无法读取黑名单。";
  return ReadFailureText(result.sqliteCode);
}

std::wstring ReadOnlyListText() {
  return L"本机已开启中心记录，黑名单由中心服务器统一管理，并定时同步到本机，不能在本机修改。"
         L"请在办公室设置了中心服务器连接的电脑上修改黑名单。";
}

std::wstring WriteFailureText(int sqliteCode) {
  if (IsBusy(sqliteCode)) return L"数据库正忙（读卡程序或其他程序正在使用），请稍后再试。黑名单未作更改。";
  return Format(L"无法写入数据库（错误 %d）。黑名单未作更改。", sqliteCode);
}

std::wstring ReadFailureText(int sqliteCode) {
  if (IsBusy(sqliteCode)) return L"数据库正忙，无法读取黑名单，请稍后再试。";
  return Format(L"无法读取黑名单（错误 %d）。", sqliteCode);
}

std::wstring TooManyNumbersText() {
  const int limit = static_cast<int>(kMaxImportNumbers);
  wchar_t text[160];
  std::swprintf(text, std::size(text),
                L"文件中的号码超过 %d 个，一次最多导入 %d 个号码。请把文件分成每个不超过 %d 行的几个文件，"
                L"逐个导入。黑名单未作更改。",
                limit, limit, limit);
  return text;
}

std::wstring RefusedLineText(const RefusedLine& line) {
  std::wstring text = Format(L"第%d行：", line.content.line) + FaultText(line);
  if (!line.content.number.empty()) {
    text += L"  ";
    text.append(line.content.number.begin(), line.content.number.end());
  }
  return text;
}
