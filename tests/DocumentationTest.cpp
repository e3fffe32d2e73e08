// The manual page must not drift from the program: it names every option
// the command line accepts.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

// The page's text with the roff escapes that can split a word removed.
std::string ManPageText() {
  std::ifstream In(SNAPSTAMP_MANPAGE, std::ios::binary);
  std::stringstream Raw;
  Raw << In.rdbuf();
  std::string Text = Raw.str();
  for (const std::string Escape : {"\\c", "\\fB", "\\fI", "\\fR", "\\&"}) {
    for (size_t At = Text.find(Escape); At != std::string::npos; At = Text.find(Escape, At))
      Text.erase(At, Escape.size());
  }
  for (size_t At = Text.find("\\-"); At != std::string::npos; At = Text.find("\\-", At))
    Text.erase(At, 1);
  return Text;
}

TEST(ManPage, MentionsEveryOption) {
  const std::string Text = ManPageText();
  ASSERT_FALSE(Text.empty()) << SNAPSTAMP_MANPAGE;
  for (const std::string_view Option : app::AcceptedOptions) {
    // An option is documented where a paragraph starts with it in bold.
    const std::string Heading = ".B " + std::string(Option);
    const std::string TagHeading = ".BI " + std::string(Option);
    EXPECT_TRUE(Text.find(Heading) != std::string::npos || Text.find(TagHeading) != std::string::npos)
        << Option << " is not documented in the manual page";
  }
}

TEST(ManPage, StatesEveryExitStatus) {
  const std::string Text = ManPageText();
  const size_t Section = Text.find(".SH EXIT STATUS");
  ASSERT_NE(Section, std::string::npos);
  for (const char* Status : {"\n.B 0\n", "\n.B 1\n", "\n.B 2\n", "\n.B 3\n"})
    EXPECT_NE(Text.find(Status, Section), std::string::npos) << Status;
}

} // namespace
