// Starts the real VantrelWorkshop under the offscreen Qt platform and lets it
// end itself once its dialog is up (VANTREL_QUIT_AFTER_MS).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

#ifndef VANTREL_WORKSHOP_PROGRAM
#error "VANTREL_WORKSHOP_PROGRAM must name the program to start"
#endif

TEST(WorkshopProgram, StartsShowsItsDialogAndEnds) {
  ASSERT_NE(std::getenv("QT_QPA_PLATFORM"), nullptr);
  const std::string command = std::string("VANTREL_QUIT_AFTER_MS=500 timeout 60 '") + VANTREL_WORKSHOP_PROGRAM +
                              "' extra arguments are ignored";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
