// How long a path may be: 259 characters and the terminator, the limit of
// the platform's plain file calls. A longer path is refused, never cut.
#pragma once

inline constexpr int kPathCapacity = 260;
