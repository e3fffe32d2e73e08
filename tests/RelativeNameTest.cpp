#include "Platform.h"
#include "app/ProcessFile.h"
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class RelativeName : public testing::Test {
protected:
  ~RelativeName() override { app::StartDir.clear(); }
};

// The POSIX rules; WindowsRulesTest has the table of the Windows rules.
TEST_F(RelativeName, Table) {
  if (platform::Windows)
    GTEST_SKIP() << "POSIX names; the Windows table is in WindowsRulesTest";
  const struct {
    std::string StartDir, Name, Expected;
  } Cases[] = {
      // A relative name is shown as it was given.
      {"/home/me", "a.jpg", "a.jpg"},
      {"/home/me", "sub/a.jpg", "sub/a.jpg"},
      {"/home/me", "../x/a.jpg", "../x/a.jpg"},
      {"/home/me", "", ""},
      // Absolute names are shown from the start directory.
      {"/home/me", "/home/me/a.jpg", "a.jpg"},
      {"/home/me", "/home/me/2001/IMG_1.JPG", "2001/IMG_1.JPG"},
      {"/home/me", "/home/me/2001/06/IMG_1.JPG", "2001/06/IMG_1.JPG"},
      {"/home/me", "/home/other/a.jpg", "../other/a.jpg"},
      {"/home/me", "/srv/x/y/a.jpg", "../../srv/x/y/a.jpg"},
      {"/home/me", "/a.jpg", "../../a.jpg"},
      {"/home/me", "/home/a.jpg", "../a.jpg"},
      {"/home/me", "/home/me/", ""},
      // Components compare byte for byte, whole.
      {"/home/me", "/home/Me/a.jpg", "../Me/a.jpg"},
      {"/home/me", "/home/me2/a.jpg", "../me2/a.jpg"},
      {"/home/me2", "/home/me/a.jpg", "../me/a.jpg"},
      // ":" and "\" are ordinary characters on this platform.
      {"/home/me", "/home/me/c:\\x.jpg", "c:\\x.jpg"},
      {"/c:", "/c:/x.jpg", "x.jpg"},
      // Doubled separators name the same directory.
      {"/home/me", "/home//me/a.jpg", "a.jpg"},
      // The root has its separator already.
      {"/", "/a.jpg", "a.jpg"},
      {"/", "/x/y/a.jpg", "x/y/a.jpg"},
      {"/", "a.jpg", "a.jpg"},
  };
  for (const auto& C : Cases) {
    app::StartDir = C.StartDir;
    EXPECT_EQ(app::RelativeName(C.Name), C.Expected) << "StartDir " << C.StartDir << ", name " << C.Name;
  }
}

TEST(CounterText, Table) {
  const struct {
    int32_t N;
    std::string Expected;
  } Cases[] = {
      {INT32_MIN, ""}, {-1, ""},       {0, ""},          {1, ""},
      {2, " (2) "},    {10, " (10) "}, {998, " (998) "}, {INT32_MAX, " (2147483647) "},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(app::CounterText(C.N), C.Expected) << C.N;
}

} // namespace
