// The helper's dialog on the real Qt back end (offscreen): its controls as
// built, and its place kept from one run to the next.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>
#include <memory>

#include "community/community_manager_steam.h"
#include "core/registry_settings.h"
#include "platform/qt/qt_platform.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "workshop/workshop_helper.h"

namespace {

namespace steam = plat::steam;
using namespace workshop;

class WorkshopQt : public ::testing::Test {
 protected:
  void SetUp() override {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
    static char name[] = "workshop_qt_tests";
    static char* argv[] = {name, nullptr};
    platform = plat::qt::QtPlatform::Create(1, argv);
    manager = std::make_unique<CommunityManagerSteam>(kVantrelAppId);
    helper = std::make_unique<WorkshopHelper>(manager.get());
  }
  void TearDown() override {
    helper.reset();
    manager.reset();
    steam::fake::Reset();
  }

  // Runs the dialog; once it is up, `act` runs, and then the dialog closes.
  int32_t RunAndClose(std::function<void(plat::Dialog*)> act) {
    QTimer::singleShot(100, [this, act] {
      plat::Dialog* d = helper->DialogWindow();
      ASSERT_NE(d, nullptr);
      act(d);
      d->Send(plat::kMsgClose, 0, 0);
    });
    return helper->Run();
  }

  std::unique_ptr<plat::qt::QtPlatform> platform;
  std::unique_ptr<CommunityManagerSteam> manager;
  std::unique_ptr<WorkshopHelper> helper;
};

TEST_F(WorkshopQt, DialogComesBackWhereItWasClosed) {
  bool ran = false;
  EXPECT_EQ(RunAndClose([&](plat::Dialog* d) {
              ran = true;
              EXPECT_EQ(d->Title(), "Vantrel - Steam Workshop Helper");
              EXPECT_EQ(d->GetText(kIdUpload), "Upload");
              EXPECT_FALSE(d->IsEnabled(kIdUpload));
              EXPECT_EQ(d->GetText(kIdItemId), "0");
              d->MoveOuter(210, 130, 0, 0, true);
            }),
            1);
  ASSERT_TRUE(ran);
  RegistrySettings settings("Quillmark", "Vantrel Workshop Helper", 0);
  int32_t x = -1, y = -1;
  ASSERT_TRUE(settings.ReadInt("MainDlgWndX", &x));
  ASSERT_TRUE(settings.ReadInt("MainDlgWndY", &y));
  EXPECT_EQ(x, 210);
  EXPECT_EQ(y, 130);

  plat::WindowRect again;
  RunAndClose([&](plat::Dialog* d) { again = d->OuterRect(); });
  EXPECT_EQ(again.left, 210);
  EXPECT_EQ(again.top, 130);
}

}  // namespace
