#include <gtest/gtest.h>
#include <cstdlib>
#include "platform/version.h"
#include "support/test_support.h"
TEST(Smoke, HomeIsTemporary) {
  EXPECT_EQ(std::string(std::getenv("HOME")), vantrel::test::TempHome().string());
  EXPECT_FALSE(plat::ProgramVersion().empty());
}
