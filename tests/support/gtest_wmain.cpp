// Entry point of every Windows test program: the suite links with
// -municode, whose start-up code calls wmain rather than main.
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
