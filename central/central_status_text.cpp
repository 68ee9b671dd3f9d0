#include "central/central_status_text.h"

#include "common/checked_format.h"

namespace {
constexpr int kTextCapacity = 64;

const wchar_t* FormatFor(CentralFault fault) {
  switch (fault) {
    case CentralFault::kUnreachable:
      return L"中心服务器无法连接，%d 条记录待上传";
    case CentralFault::kLoginRefused:
      return L"中心服务器拒绝登录，%d 条记录待上传";
    case CentralFault::kWrongSchema:
      return L"中心服务器数据库版本不符，%d 条记录待上传";
    case CentralFault::kNotAllowed:
      return L"中心服务器不允许本机上传，%d 条记录待上传";
    case CentralFault::kBadSettings:
      return L"中心服务器连接设置有误，%d 条记录待上传";
    case CentralFault::kFailed:
      return L"上传中心服务器失败，%d 条记录待上传";
    case CentralFault::kNone:
      break;
  }
  return nullptr;
}
}  // namespace

std::wstring FormCentralStatusText(const CentralTrouble& trouble, ULONGLONG now, int alertSeconds) {
  const wchar_t* format = FormatFor(trouble.fault);
  if (format == nullptr) return {};
  const ULONGLONG alertMs = static_cast<ULONGLONG>(alertSeconds) * 1000;
  if (trouble.fault == CentralFault::kUnreachable && now - trouble.since < alertMs) return {};
  wchar_t text[kTextCapacity];
  if (FormatChecked(text, kTextCapacity, format, static_cast<int>(trouble.waiting)) < 0) return {};
  return text;
}

const char* CentralFaultName(CentralFault fault) {
  switch (fault) {
    case CentralFault::kNone:
      return "none";
    case CentralFault::kUnreachable:
      return "unreachable";
    case CentralFault::kLoginRefused:
      return "login refused";
    case CentralFault::kWrongSchema:
      return "wrong schema";
    case CentralFault::kNotAllowed:
      return "not allowed";
    case CentralFault::kBadSettings:
      return "bad settings";
    case CentralFault::kFailed:
      return "failed";
  }
  return "failed";
}
