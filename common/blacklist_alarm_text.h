// What both programs show in the blacklist alarm's place when the blacklist
// could not be read: the clerk must check the person by hand, since the
// program cannot say whether the person is listed.
#pragma once

inline constexpr wchar_t kBlacklistCheckFailedText[] = L"黑名单核查失败，请人工核对！";
