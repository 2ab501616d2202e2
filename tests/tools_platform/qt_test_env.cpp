// One Qt platform for the whole test program (the process may hold one
// QApplication only).
#include <gtest/gtest.h>

#include "platform/qt/qt_platform.h"

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static char name[] = "tools_platform_qt_tests";
    static char* argv[] = {name, nullptr};
    platform_ = plat::qt::QtPlatform::Create(1, argv);
  }
  void TearDown() override { platform_.reset(); }

 private:
  std::unique_ptr<plat::qt::QtPlatform> platform_;
};

[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
