#include "reader/reader_link.h"

namespace {
struct StatusEntry {
  int code;
  const wchar_t* text;
};

constexpr StatusEntry kStatusTexts[] = {
    {0x01, L"端口打开失败"},
    {0x02, L"PC接收数据超时"},
    {0x03, L"数据传输错误"},
    {0x05, L"SAM_V串口不可用"},
    {0x10, L"接收业务终端数据的校验和错"},
    {0x11, L"接收业务终端数据的长度"},
    {0x21, L"接收业务终端的命令错误"},
    {0x23, L"越权操作"},
    {0x24, L"无法识别的错误"},
    {0x31, L"证/卡证认SAM_V失败"},
    {0x32, L"SAM_V认证证/卡失败"},
    {0x33, L"信息验证错误"},
    {0x40, L"无法识别的卡类型"},
    {0x41, L"读证/卡操作失败"},
    {0x47, L"取随机数失败"},
    {0x60, L"SAM_V自检失败，不能接收命令"},
    {0x66, L"SAM_V没经过授权,无法使用"},
    {0x81, L"选取证/卡失败"},
    {0xF7, L"保存记录失败"},
};
}  // namespace

const wchar_t* StatusText(int code) {
  for (const auto& entry : kStatusTexts) {
    if (entry.code == code) return entry.text;
  }
  return L"未知错误";
}
