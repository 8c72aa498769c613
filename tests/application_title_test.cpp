#include "platform/application_title.h"

#include <gtest/gtest.h>

namespace brumel {
namespace {

TEST(ApplicationTitle, NameWithoutFolderAndDotsInLowerCaseAfterTheFirst) {
  EXPECT_EQ(ApplicationTitle("brumel"), "brumel");
  EXPECT_EQ(ApplicationTitle("/work/build/run/brumel"), "brumel");
  EXPECT_EQ(ApplicationTitle("C:/Programs/BRUMEL.EXE"), "Brumel");
  EXPECT_EQ(ApplicationTitle("/opt/brumel.d/bRuMeL.tar.gz"), "brumel");
  EXPECT_EQ(ApplicationTitle("/opt/v1.2/Brumel"), "Brumel");
  EXPECT_EQ(ApplicationTitle("/usr/bin/.hidden"), "");
  EXPECT_EQ(ApplicationTitle("/usr/bin/ÄBC"), "Äbc");
}

}  // namespace
}  // namespace brumel
