// Mask runs over directory trees and list runs of names from the shell.
#include "app/MaskRun.h"
#include "AppTestTree.h"
#include "ExifFixture.h"
#include "Platform.h"

#include <gtest/gtest.h>

namespace {

using apptest::TTree;
using platform::Lines;
using platform::Shown;
namespace fs = std::filesystem;

const std::string Photo = fixture::JpegWithDateTime("2001:10:05 12:34:56");
const std::string NoDate = fixture::JpegWithAsciiTags({{0x010F, "Canon"}});
const std::string D = " 2001-10-05 12-34-56";
const std::string NotFoundLine = "The system cannot find the file specified.\n";
const std::string NotFound = "Error, file wasn't found\n\n";
const std::string BoundsError = "Exception Exception in module snapstamp.\nOut of bounds.\n";

std::string Listing(const std::string& Name) {
  return "Information for: " + Name +
         "\n"
         "                         Make: Snapstamp\n"
         "                     DateTime: 2001:10:05 12:34:56\n"
         "\n";
}

// The entries of Before with Gone taken out and New added, sorted.
std::vector<std::string> Changed(std::vector<std::string> Before, const std::vector<std::string>& Gone,
                                 const std::vector<std::string>& New) {
  for (const std::string& G : Gone) {
    const auto It = std::find(Before.begin(), Before.end(), G);
    EXPECT_NE(It, Before.end()) << G << " is not in the tree";
    if (It != Before.end())
      Before.erase(It);
  }
  Before.insert(Before.end(), New.begin(), New.end());
  std::sort(Before.begin(), Before.end());
  return Before;
}

// One run over a fresh tree: its output (written with "/" and "\n"), exit
// status and what it changed.
struct TRunCase {
  const char* Label;
  std::vector<std::string> Args;
  std::string Out;
  std::vector<std::string> Gone = {}, New = {};
  int Status = 0;
};

void CheckRun(const TTree& T, const TRunCase& C) {
  const auto Before = T.Entries();
  const auto R = T.Run(C.Args);
  EXPECT_EQ(R.Out, Shown(C.Out)) << C.Label;
  EXPECT_EQ(R.ExitStatus, C.Status) << C.Label;
  EXPECT_EQ(T.Entries(), Changed(Before, C.Gone, C.New)) << C.Label;
  for (const std::string& N : C.New) {
    if (fs::is_regular_file(T.Path() / N)) {
      EXPECT_EQ(T.Read(N), Photo) << C.Label << ": " << N;
    }
  }
}

// ---------------------------------------------------------------------------

TEST(MatchMask, Table) {
  const struct {
    std::string_view Name, Mask;
    bool Expected;
  } Cases[] = {
      {"a.jpg", "*.jpg", true},
      {"b.jpg", "*.jpg", true},
      {"c.jpeg", "*.jpg", false},
      {"a.b.jpg", "*.jpg", false}, // "*" stops at the first full stop
      {"A.JPG", "*.jpg", false},   // the caller lowercases
      {"anything", "*", true},
      {"a", "*", true},
      {"ab", "a*", true},
      {"a", "a*", false},
      {"gag", "*g", false}, // "*" takes the first g, the mask ends first
      {"g", "*g", true},
      {"abg", "*g", true},
      {"abcbc", "a*c", false},
      {"abc", "a*c", true},
      {"img1.jpg", "img?.jpg", true},
      {"img10.jpg", "img?.jpg", false},
      {"img.jpg", "img?.jpg", false},
      {"a", "?", true},
      {"ab", "?", false},
      {"abc", "abc", true},
      {"abcd", "abc", false},
      {"ab", "abc", false},
      {"abd", "abc", false},
      {"photo (2).jpg", "photo (2).jpg", true}, // parentheses match themselves
      {"photo 2.jpg", "photo (2).jpg", false},
      {"x?y", "*?y", true}, // after "*" the next mask character is plain
      {"xay", "*?y", false},
      {"a.jpg", "**.jpg", false},
      {"", "", true},
      {"", "*", false},
      {"x", "", false},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(app::MatchMask(C.Name, C.Mask), C.Expected)
        << "\"" << C.Name << "\" against \"" << C.Mask << "\"";
}

// ---------------------------------------------------------------------------
// Mask runs

// "B.jpg" beside "b.jpg" only where names in other case are other files.
TEST(MaskRun, ProcessesMatchesInSortedOrder) {
  std::vector<std::string> Matches{"_1.jpg", "A.JPG", "B.jpg", "b.jpg", "C.Jpg"};
  if (!platform::CaseSensitiveNames)
    Matches.erase(Matches.begin() + 2);
  std::vector<std::string> Names = Matches;
  Names.insert(Names.end(), {"c.jpeg", "a.b.jpg", "sub/d.jpg"});
  const auto Stamped = [](const std::vector<std::string>& Files) {
    std::vector<std::string> R;
    for (const std::string& F : Files)
      R.push_back(F.substr(0, F.find('.')) + D + F.substr(F.find('.')));
    return R;
  };
  const auto Report = [](const std::vector<std::string>& Files, const std::string& Verb) {
    std::string R;
    for (const std::string& F : Files)
      R += F + "\n";
    return R + "       " + std::to_string(Files.size()) + " file(s) " + Verb + ".\n";
  };
  std::string Listings;
  for (const std::string& M : Matches)
    Listings += Listing(M);
  const std::vector<std::string> BMatches(Matches.begin() + 2, Matches.end() - 1);

  const TRunCase Cases[] = {
      {"rename", {"*.jpg"}, Report(Stamped(Matches), "renamed"), Matches, Stamped(Matches)},
      {"mask_in_capitals_is_lowercased",
       {"/i", "*.JPG"},
       Listings + "       " + std::to_string(Matches.size()) + " file(s) printed.\n"},
      {"copy", {"/c", "b.*"}, Report(Stamped(BMatches), "copied"), {}, Stamped(BMatches)},
  };
  for (const TRunCase& C : Cases) {
    TTree T;
    for (const std::string& N : Names)
      T.Put(N, Photo);
    CheckRun(T, C);
  }
}

TEST(MaskRun, NothingMatches) {
  const TRunCase Cases[] = {
      {"rename", {"*.jpg"}, NotFoundLine + "       0 file(s) renamed.\n"},
      {"copy", {"/c", "*.jpg"}, NotFoundLine + "       0 file(s) copied.\n"},
      {"list", {"/i", "/c", "*.jpg"}, NotFoundLine + "       0 file(s) printed.\n"},
      {"only_in_subdirectory", {"x*.jpg"}, NotFoundLine + "       0 file(s) renamed.\n"},
  };
  for (const TRunCase& C : Cases) {
    TTree T;
    T.Put("a.png", Photo);
    T.Put("sub/x.jpg", Photo);
    CheckRun(T, C);
  }
}

TEST(MaskRun, FileNameWithParenthesesIsAMaskOfTheStartDirectory) {
  const TRunCase Cases[] = {
      {"given_by_name",
       {"a(1).jpg"},
       "a(1)" + D + ".jpg\n       1 file(s) renamed.\n",
       {"a(1).jpg"},
       {"a(1)" + D + ".jpg"}},
      {"other_case",
       {"A(1).JPG"},
       "a(1)" + D + ".jpg\n       1 file(s) renamed.\n",
       {"a(1).jpg"},
       {"a(1)" + D + ".jpg"}},
  };
  for (const TRunCase& C : Cases) {
    TTree T;
    T.Put("a(1).jpg", Photo);
    T.Put("sub/a(1).jpg", Photo);
    CheckRun(T, C);
  }
}

TEST(MaskRun, RecursiveRunDescendsInListingOrder) {
  const auto Build = [](const TTree& T) {
    for (const char* N : {"IMG_0.JPG", "sub/IMG_1.JPG", "sub/deeper/IMG_2.JPG", "a/IMG_3.JPG", "z/IMG_4.JPG",
                          "x.jpg/IMG_5.JPG"})
      T.Put(N, Photo);
  };
  const TRunCase Cases[] = {
      {"list",
       {"/r", "/i", "img_?.jpg"},
       Listing("a/IMG_3.JPG") + Listing("IMG_0.JPG") + Listing("sub/deeper/IMG_2.JPG") +
           Listing("sub/IMG_1.JPG") + Listing("x.jpg/IMG_5.JPG") + Listing("z/IMG_4.JPG") +
           "       6 file(s) printed.\n"},
      {"rename",
       {"/r", "img_?.jpg"},
       "a/IMG_3" + D + ".JPG\nIMG_0" + D + ".JPG\nsub/deeper/IMG_2" + D + ".JPG\nsub/IMG_1" + D +
           ".JPG\nx.jpg/IMG_5" + D + ".JPG\nz/IMG_4" + D + ".JPG\n       6 file(s) renamed.\n",
       {"a/IMG_3.JPG", "IMG_0.JPG", "sub/deeper/IMG_2.JPG", "sub/IMG_1.JPG", "x.jpg/IMG_5.JPG",
        "z/IMG_4.JPG"},
       {"a/IMG_3" + D + ".JPG", "IMG_0" + D + ".JPG", "sub/deeper/IMG_2" + D + ".JPG",
        "sub/IMG_1" + D + ".JPG", "x.jpg/IMG_5" + D + ".JPG", "z/IMG_4" + D + ".JPG"}},
      {"without_r_only_the_start_directory",
       {"img_?.jpg"},
       "IMG_0" + D + ".JPG\n       1 file(s) renamed.\n",
       {"IMG_0.JPG"},
       {"IMG_0" + D + ".JPG"}},
      // A directory named like a photo is no file.
      {"directory_like_a_photo", {"x.jp?"}, NotFoundLine + "       0 file(s) renamed.\n"},
  };
  for (const TRunCase& C : Cases) {
    TTree T;
    Build(T);
    CheckRun(T, C);
  }
}

// Each listing is closed before a subdirectory is listed, so a deep tree
// needs no more descriptors than a flat one. (A few spare ones stay for the
// sanitizers, which open pipes of their own.)
TEST(MaskRun, RecursionHoldsOneListingAtATime) {
  if (!platform::HasResourceLimits)
    GTEST_SKIP() << "no descriptor limit for one process on this platform";
  TTree T;
  T.Put("1/2/3/4/5/6/7/8/9/10/a.jpg", Photo);
  T.Put("1/b.jpg", Photo);
  const auto R = T.Run({"/r", "/i", "*.jpg"}, {.OpenFiles = 8});
  EXPECT_EQ(R.Out, Shown(Listing("1/2/3/4/5/6/7/8/9/10/a.jpg") + Listing("1/b.jpg") +
                         "       2 file(s) printed.\n"));
  EXPECT_EQ(R.ExitStatus, 0);
}

// Names that sort after the originals would be met again if the directory
// were read while the run changes it.
TEST(MaskRun, NewFilesAreNotMetAgain) {
  const TRunCase Cases[] = {
      {"rename",
       {"/t:zzz", "*.jpg"},
       "zzz" + D + ".jpg\nzzz" + D + " (2) .jpg\nzzz" + D + " (3) .jpg\n       3 file(s) renamed.\n",
       {"a.jpg", "b.jpg", "c.jpg"},
       {"zzz" + D + ".jpg", "zzz" + D + " (2) .jpg", "zzz" + D + " (3) .jpg"}},
      {"copy",
       {"/c", "/t:zzz", "*.jpg"},
       "zzz" + D + ".jpg\nzzz" + D + " (2) .jpg\nzzz" + D + " (3) .jpg\n       3 file(s) copied.\n",
       {},
       {"zzz" + D + ".jpg", "zzz" + D + " (2) .jpg", "zzz" + D + " (3) .jpg"}},
      {"copy_own_name",
       {"/c", "/r", "*"},
       "a" + D + ".jpg\nb" + D + ".jpg\nc" + D + ".jpg\n       3 file(s) copied.\n",
       {},
       {"a" + D + ".jpg", "b" + D + ".jpg", "c" + D + ".jpg"}},
  };
  for (const TRunCase& C : Cases) {
    TTree T;
    for (const char* N : {"a.jpg", "b.jpg", "c.jpg"})
      T.Put(N, Photo);
    CheckRun(T, C);
  }
}

// Only regular files (and links to them) are photos; nothing else may be
// opened or followed, and the run must finish.
// (WindowsRulesTest has the entries that only Windows has.)
TEST(MaskRun, PassesOverEntriesThatAreNoFiles) {
  if (!platform::HasSpecialFiles)
    GTEST_SKIP() << "no FIFOs, sockets or unprivileged links on this platform";
  TTree T;
  T.Put("sub/real.jpg", Photo);
  ASSERT_TRUE(platform::MakeFifo(T.Path() / "fifo.jpg"));
  ASSERT_TRUE(platform::MakeFifo(T.Path() / "sub/fifo.jpg"));
  fs::create_directory_symlink(".", T.Path() / "loop.jpg");
  fs::create_directory_symlink("..", T.Path() / "sub/up");
  fs::create_symlink("self.jpg", T.Path() / "self.jpg");
  fs::create_symlink("nowhere.jpg", T.Path() / "gone.jpg");
  fs::create_directory_symlink("sub", T.Path() / "dirlink.jpg");
  fs::create_symlink("sub/real.jpg", T.Path() / "link.jpg");
  ASSERT_TRUE(platform::MakeSocket(T.Path() / "sock.jpg"));

  CheckRun(T, {"list",
               {"/r", "/i", "*"},
               Listing("link.jpg") + Listing("sub/real.jpg") + "       2 file(s) printed.\n"});
  CheckRun(T, {"rename",
               {"/r", "*.jpg"},
               "link" + D + ".jpg\nsub/real" + D + ".jpg\n       2 file(s) renamed.\n",
               {"link.jpg", "sub/real.jpg"},
               {"link" + D + ".jpg", "sub/real" + D + ".jpg"}});
}

TEST(MaskRun, UncaughtErrorEndsTheRunWithoutSummary) {
  TTree T;
  for (const char* N : {"a.jpg", "c.jpg", "sub/d.jpg"})
    T.Put(N, Photo);
  T.Put("b.jpg", std::string("\xFF\xD8", 2));
  CheckRun(T,
           {"rename", {"/r", "*.jpg"}, "a" + D + ".jpg\n" + BoundsError, {"a.jpg"}, {"a" + D + ".jpg"}, 1});
}

// The output is buffered; the report must still come after all of it.
TEST(MaskRun, ReportFollowsEverythingPrintedBefore) {
  TTree T;
  std::string Expected;
  for (int I = 1000; I < 2500; ++I) {
    // Built in steps: g++ 12 at -O3 warns falsely on "p" + std::to_string(I).
    std::string Name = "p";
    Name.append(std::to_string(I)).append(".jpg");
    T.Put(Name, Photo);
    Expected += Listing(Name);
  }
  T.Put("q.jpg", std::string("\xFF\xD8", 2));
  T.Put("r.jpg", Photo);
  const auto R = T.Run({"/i", "*.jpg"});
  EXPECT_GT(Expected.size(), 100000U);
  EXPECT_EQ(R.Out, Lines(Expected + BoundsError));
  EXPECT_EQ(R.ExitStatus, 1);
}

// ---------------------------------------------------------------------------
// List runs: the shell has expanded the wildcards. Windows has none; there
// only the last name counts (WindowsRulesTest).

class ListRun : public testing::Test {
protected:
  void SetUp() override {
    if (!platform::HasListRuns)
      GTEST_SKIP() << "the shell of this platform does not expand wildcards";
  }
};

TEST_F(ListRun, ProcessesTheNamesInTheGivenOrder) {
  const auto Build = [](const TTree& T) {
    for (const char* N : {"a.jpg", "b.jpg", "photo (2).jpg", "star*.jpg", "sub/c.jpg"})
      T.Put(N, Photo);
    T.Put("nodate.jpg", NoDate);
    T.Mkdir("dir.jpg");
    EXPECT_TRUE(platform::MakeFifo(T.Path() / "fifo.jpg"));
  };
  const std::vector<TRunCase> Cases = {
      {"given_order",
       {"b.jpg", "a.jpg"},
       "b" + D + ".jpg\na" + D + ".jpg\n       2 file(s) renamed.\n",
       {"a.jpg", "b.jpg"},
       {"a" + D + ".jpg", "b" + D + ".jpg"}},
      {"options_anywhere_apply_to_all",
       {"a.jpg", "/s", "b.jpg", "/t:x"},
       D.substr(1) + " x.jpg\n" + D.substr(1) + " (2)  x.jpg\n       2 file(s) renamed.\n",
       {"a.jpg", "b.jpg"},
       {D.substr(1) + " x.jpg", D.substr(1) + " (2)  x.jpg"}},
      {"copy_with_directory_part",
       {"/c", "a.jpg", "sub/c.jpg"},
       "a" + D + ".jpg\nsub/c" + D + ".jpg\n       2 file(s) copied.\n",
       {},
       {"a" + D + ".jpg", "sub/c" + D + ".jpg"}},
      {"list",
       {"/i", "a.jpg", "nodate.jpg", "/I"},
       Listing("a.jpg") + "Information for: nodate.jpg\n                         Make: Canon\n\n       2 "
                          "file(s) printed.\n"},
      {"recursive_has_no_effect",
       {"/r", "sub/c.jpg", "a.jpg"},
       "sub/c" + D + ".jpg\na" + D + ".jpg\n       2 file(s) renamed.\n",
       {"a.jpg", "sub/c.jpg"},
       {"a" + D + ".jpg", "sub/c" + D + ".jpg"}},
      {"wildcards_are_literal",
       {"photo (2).jpg", "star*.jpg"},
       "photo (2)" + D + ".jpg\nstar*" + D + ".jpg\n       2 file(s) renamed.\n",
       {"photo (2).jpg", "star*.jpg"},
       {"photo (2)" + D + ".jpg", "star*" + D + ".jpg"}},
      {"message_then_next_file",
       {"nodate.jpg", "a.jpg"},
       "File: nodate.jpg doesn't have any date information\na" + D + ".jpg\n       1 file(s) renamed.\n",
       {"a.jpg"},
       {"a" + D + ".jpg"}},
      {"directory_and_fifo_passed_over",
       {"dir.jpg", "a.jpg", "fifo.jpg"},
       "a" + D + ".jpg\n       1 file(s) renamed.\n",
       {"a.jpg"},
       {"a" + D + ".jpg"}},
      {"nothing_to_process", {"dir.jpg", "sub", "/c"}, NotFoundLine + "       0 file(s) copied.\n"},
      {"duplicate_processed_once",
       {"a.jpg", "a.jpg"},
       "a" + D + ".jpg\n       1 file(s) renamed.\n",
       {"a.jpg"},
       {"a" + D + ".jpg"}},
      {"empty_argument_dropped",
       {"a.jpg", "", "b.jpg"},
       "a" + D + ".jpg\nb" + D + ".jpg\n       2 file(s) renamed.\n",
       {"a.jpg", "b.jpg"},
       {"a" + D + ".jpg", "b" + D + ".jpg"}},
      {"missing_name_changes_nothing", {"a.jpg", "missing.jpg", "b.jpg"}, NotFound, {}, {}, 2},
      {"missing_name_last", {"/c", "a.jpg", "b.jpg", "A.jpg"}, NotFound, {}, {}, 2},
  };
  for (const TRunCase& C : Cases) {
    TTree T;
    Build(T);
    CheckRun(T, C);
  }
}

TEST_F(ListRun, AbsoluteNamesAreShownFromTheStartDirectory) {
  TTree T;
  T.Put("a.jpg", Photo);
  T.Put("sub/b.jpg", Photo);
  T.Put("start/c.jpg", Photo);
  const auto R = T.RunIn("start", {T.Abs("a.jpg"), T.Abs("sub/b.jpg"), "c.jpg"});
  EXPECT_EQ(R.Out,
            Shown("../a" + D + ".jpg\n../sub/b" + D + ".jpg\nc" + D + ".jpg\n       3 file(s) renamed.\n"));
  EXPECT_EQ(R.ExitStatus, 0);
  EXPECT_EQ(T.Entries(), (std::vector<std::string>{"a" + D + ".jpg", "start/", "start/c" + D + ".jpg", "sub/",
                                                   "sub/b" + D + ".jpg"}));
}

TEST_F(ListRun, UncaughtErrorStopsBeforeLaterNames) {
  TTree T;
  T.Put("a.jpg", Photo);
  T.Put("b.jpg", std::string("\xFF\xD8", 2));
  T.Put("c.jpg", Photo);
  CheckRun(T, {"error",
               {"c.jpg", "b.jpg", "a.jpg"},
               "c" + D + ".jpg\n" + BoundsError,
               {"c.jpg"},
               {"c" + D + ".jpg"},
               1});
}

} // namespace
