// Texts about the blacklist check that both programs show.
#pragma once

// Shown, in the alarm's colour, when the blacklist could not be read for a
// card: the clerk checks the person by hand while the program asks again.
inline constexpr wchar_t kBlacklistUncheckedText[] = L"黑名单核查失败，请人工核对！";
