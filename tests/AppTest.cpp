// The snapstamp executable on single files: command line, listing, new
// names, error reports and the safety of the user's files.
#include "AppTestTree.h"
#include "ExifFixture.h"
#include "Platform.h"
#include "rtl/FileSystem.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

using apptest::TTree;
using platform::Lines;
using platform::Path;
using platform::Shown;
namespace fs = std::filesystem;

const std::string Usage = Lines("\n"
                                "Snapstamp, copyright (C) 2026 the Snapstamp authors\n"
                                "  Documentation: the README.md file that comes with Snapstamp\n"
                                "\n"
                                "Snapstamp [/c] [/r] [/s] [/t:tag] <filename>\n"
                                " /i : Don't copy or rename, but print all information\n"
                                " /c : Copy instead of rename\n"
                                " /r : Recursive in sub directories\n"
                                " /s : Use name or tag as suffix instead of prefix\n"
                                " /t : Use this tag for all files, instead of the file name\n"
                                "\n");
const std::string NotFound = Lines("Error, file wasn't found\n\n");
const std::string IllegalMask = Lines("Error, file mask isn't legal\n\n");
const std::string NothingFound =
    Lines("The system cannot find the file specified.\n       0 file(s) renamed.\n");

const std::string Photo = fixture::JpegWithDateTime("2001:10:05 12:34:56");
const std::string PhotoListing = Lines("Information for: IMG_0001.JPG\n"
                                       "                         Make: Snapstamp\n"
                                       "                     DateTime: 2001:10:05 12:34:56\n"
                                       "\n");

// A value whose every 48-character piece is told apart from its neighbours.
std::string Pattern(size_t N, char First) {
  std::string S;
  for (size_t I = 0; I < N; ++I)
    S += static_cast<char>(First + static_cast<char>(I % 26));
  return S;
}

// ---------------------------------------------------------------------------
// Command line

struct TArgCase {
  const char* Label;
  std::vector<std::string> Args;
  std::string Out;
  int Status;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TArgCase& C, std::ostream* Os) { *Os << C.Label; }

class CommandLine : public testing::TestWithParam<TArgCase> {};

TEST_P(CommandLine, EndsTheRunWithoutTouchingAnything) {
  const TArgCase& C = GetParam();
  TTree T;
  T.Put("IMG_0001.JPG", Photo);
  T.Put("sub/IMG_0002.JPG", Photo);
  T.Mkdir("dir.jpg");
  if (platform::HasSpecialFiles) {
    ASSERT_TRUE(platform::MakeFifo(T.Path() / "fifo.jpg"));
    fs::create_symlink("nowhere.jpg", T.Path() / "dangling.jpg");
  }
  const auto Before = T.Entries();

  const auto R = T.Run(C.Args);
  EXPECT_EQ(R.Out, C.Out);
  EXPECT_EQ(R.ExitStatus, C.Status);
  EXPECT_EQ(T.Entries(), Before);
  EXPECT_EQ(T.Read("IMG_0001.JPG"), Photo);
}

std::vector<TArgCase> ArgCases() {
  std::vector<TArgCase> Cases = {
      {"no_arguments", {}, Usage, 1},
      {"only_an_option", {"/i"}, Usage, 1},
      {"only_options", {"/c", "/r", "/t:x", "/s"}, Usage, 1},
      {"option_after_the_file", {"IMG_0001.JPG", "/i"}, Usage, 1},
      {"unknown_option_last", {"/x"}, Usage, 1},
      {"short_slash_name_is_an_option", {"/i", "/a.jpg"}, Usage, 1},
      {"empty_argument", {""}, Usage, 1},
      {"missing_file", {"nothere.jpg"}, NotFound, 2},
      {"directory", {"dir.jpg"}, NotFound, 2},
      {"missing_absolute_name", {"/i", platform::RootPath("snapstamp-no-such-dir/a.jpg")}, NotFound, 2},
      {"mask_going_up", {Path("../*.jpg")}, IllegalMask, 3},
      {"mask_with_dot_dot", {"a..*"}, IllegalMask, 3},
      {"mask_with_backslash", {"sub\\*.JPG"}, IllegalMask, 3},
      {"mask_with_slash",
       {"sub/*.JPG"},
       platform::SlashInMaskIsIllegal ? IllegalMask : NothingFound,
       platform::SlashInMaskIsIllegal ? 3 : 0},
      {"absolute_mask", {"/r", platform::RootPath("tmp/*.jpg")}, IllegalMask, 3},
      {"parentheses_with_directory", {Path("sub/a(1).jpg")}, IllegalMask, 3},
      {"parentheses_make_a_mask", {"a(1).jpg"}, NothingFound, 0},
      // --help and --version count wherever they stand and change nothing.
      {"help", {"--help"}, Usage, 0},
      {"help_among_options_and_a_file", {"/c", "--help", "IMG_0001.JPG"}, Usage, 0},
      {"help_after_the_file", {"IMG_0001.JPG", "--help"}, Usage, 0},
      {"version", {"--version"}, Lines("snapstamp " SNAPSTAMP_VERSION "\n"), 0},
      {"version_before_help",
       {"IMG_0001.JPG", "--version", "--help"},
       Lines("snapstamp " SNAPSTAMP_VERSION "\n"),
       0},
  };
  // On Windows every argument starting with "/" is an option.
  if (!platform::SlashPathIsFileName)
    Cases.push_back({"slash_path_last", {"/i", "/snapstamp-no-such-dir/a.jpg"}, Usage, 1});
  // On Windows the name in other case is the file itself (see NewName).
  if (platform::CaseSensitiveNames)
    Cases.push_back({"name_in_other_case", {"img_0001.jpg"}, NotFound, 2});
  if (platform::HasSpecialFiles) {
    Cases.push_back({"fifo", {"fifo.jpg"}, NotFound, 2});
    Cases.push_back({"dangling_link", {"dangling.jpg"}, NotFound, 2});
  }
  return Cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, testing::ValuesIn(ArgCases()),
                         [](const auto& Info) { return std::string(Info.param.Label); });

// ---------------------------------------------------------------------------
// Options and the new name of one file

struct TOptionCase {
  const char* Label;
  std::vector<std::string> Options;
  std::vector<std::string> After; // entries on disk afterwards
  std::string Out;
};
void PrintTo(const TOptionCase& C, std::ostream* Os) { *Os << C.Label; }

class Options : public testing::TestWithParam<TOptionCase> {};

TEST_P(Options, ChooseWhatHappensToTheFile) {
  const TOptionCase& C = GetParam();
  TTree T;
  T.Put("IMG_0001.JPG", Photo);
  std::vector<std::string> Args = C.Options;
  Args.push_back("IMG_0001.JPG");

  const auto R = T.Run(Args);
  EXPECT_EQ(R.Out, C.Out);
  EXPECT_EQ(R.ExitStatus, 0);
  EXPECT_EQ(T.Entries(), C.After);
  for (const std::string& Name : C.After)
    EXPECT_EQ(T.Read(Name), Photo) << Name;
}

const std::vector<std::string> Renamed{"IMG_0001 2001-10-05 12-34-56.JPG"};

INSTANTIATE_TEST_SUITE_P(
    Cases, Options,
    testing::Values(TOptionCase{"none", {}, Renamed, ""},
                    TOptionCase{"suffix", {"/s"}, {"2001-10-05 12-34-56 IMG_0001.JPG"}, ""},
                    TOptionCase{"tag", {"/t:Rome"}, {"Rome 2001-10-05 12-34-56.JPG"}, ""},
                    TOptionCase{"tag_as_suffix", {"/t:Rome", "/s"}, {"2001-10-05 12-34-56 Rome.JPG"}, ""},
                    TOptionCase{"empty_tag", {"/t:"}, Renamed, ""},
                    TOptionCase{"later_empty_tag_wins", {"/t:Rome", "/t:"}, Renamed, ""},
                    TOptionCase{
                        "later_tag_wins", {"/t:Rome", "/t:Paris"}, {"Paris 2001-10-05 12-34-56.JPG"}, ""},
                    TOptionCase{"copy", {"/c"}, {"IMG_0001 2001-10-05 12-34-56.JPG", "IMG_0001.JPG"}, ""},
                    TOptionCase{"recursive_is_harmless", {"/r"}, Renamed, ""},
                    TOptionCase{"list", {"/i"}, {"IMG_0001.JPG"}, PhotoListing},
                    TOptionCase{"list_beats_copy", {"/c", "/i"}, {"IMG_0001.JPG"}, PhotoListing},
                    TOptionCase{"upper_case_I_ignored", {"/I"}, Renamed, ""},
                    TOptionCase{"upper_case_C_ignored", {"/C"}, Renamed, ""},
                    TOptionCase{"upper_case_S_ignored", {"/S"}, Renamed, ""},
                    TOptionCase{"upper_case_T_ignored", {"/T:Rome"}, Renamed, ""},
                    TOptionCase{"sx_ignored", {"/sx"}, Renamed, ""},
                    TOptionCase{"ix_ignored", {"/ix"}, Renamed, ""},
                    TOptionCase{"unknown_ignored", {"/x", "/"}, Renamed, ""},
                    TOptionCase{"empty_argument_dropped", {""}, Renamed, ""}),
    [](const auto& Info) { return std::string(Info.param.Label); });

struct TNameCase {
  const char* Label;
  std::string File;               // as given on the command line
  std::vector<std::string> Taken; // files already there
  std::vector<std::string> Opts;  // options before the file
  std::string Expected;           // the new name, relative to the tree
  std::string Arg = {};           // the file as given, when not File
};
void PrintTo(const TNameCase& C, std::ostream* Os) { *Os << C.Label; }

class NewName : public testing::TestWithParam<TNameCase> {};

TEST_P(NewName, IsTheFirstFreeCandidate) {
  const TNameCase& C = GetParam();
  TTree T;
  T.Put(C.File, Photo);
  for (const std::string& Name : C.Taken)
    T.Put(Name, "occupant " + Name);
  std::vector<std::string> Args = C.Opts;
  Args.push_back(Path(C.Arg.empty() ? C.File : C.Arg));

  const auto R = T.Run(Args);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.ExitStatus, 0);
  EXPECT_FALSE(fs::exists(T.Path() / C.File));
  EXPECT_EQ(T.Read(C.Expected), Photo);
  for (const std::string& Name : C.Taken)
    EXPECT_EQ(T.Read(Name), "occupant " + Name);
}

const std::string Plain = "IMG_0001 2001-10-05 12-34-56.JPG";

std::vector<TNameCase> NameCases() {
  std::vector<TNameCase> Cases = {
      {"counter_2", "IMG_0001.JPG", {Plain}, {}, "IMG_0001 2001-10-05 12-34-56 (2) .JPG"},
      {"counter_3",
       "IMG_0001.JPG",
       {Plain, "IMG_0001 2001-10-05 12-34-56 (2) .JPG"},
       {},
       "IMG_0001 2001-10-05 12-34-56 (3) .JPG"},
      {"suffix_counter",
       "IMG_0001.JPG",
       {"2001-10-05 12-34-56 IMG_0001.JPG"},
       {"/s"},
       "2001-10-05 12-34-56 (2)  IMG_0001.JPG"},
      {"tag_counter",
       "a.jpg",
       {"Rome 2001-10-05 12-34-56.jpg"},
       {"/t:Rome"},
       "Rome 2001-10-05 12-34-56 (2) .jpg"},
      // A name in other case is another file, or on Windows the same one.
      {"other_case",
       "IMG_0001.JPG",
       {"img_0001 2001-10-05 12-34-56.jpg"},
       {},
       platform::CaseSensitiveNames ? Plain : "IMG_0001 2001-10-05 12-34-56 (2) .JPG"},
      {"no_extension", "scan", {}, {}, "scan 2001-10-05 12-34-56"},
      {"no_extension_counter", "scan", {"scan 2001-10-05 12-34-56"}, {}, "scan 2001-10-05 12-34-56 (2) "},
      {"dot_only_in_directory", "sub.d/scan", {}, {}, "sub.d/scan 2001-10-05 12-34-56"},
      {"last_dot_starts_extension", "a.b.jpeg", {}, {}, "a.b 2001-10-05 12-34-56.jpeg"},
      {"hidden_file", ".jpg", {}, {}, " 2001-10-05 12-34-56.jpg"},
      {"in_subdirectory", "sub/IMG_0001.JPG", {Plain}, {}, "sub/" + Plain},
  };
  // The new name is built from the name as given.
  if (!platform::CaseSensitiveNames)
    Cases.push_back(
        {"given_in_other_case", "IMG_0001.JPG", {}, {}, "img_0001 2001-10-05 12-34-56.jpg", "img_0001.jpg"});
  return Cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, NewName, testing::ValuesIn(NameCases()),
                         [](const auto& Info) { return std::string(Info.param.Label); });

// Dangling and live links where the platform has them; more directories on
// Windows.
TEST(NewName, EntryOfAnyKindTakesACandidate) {
  TTree T;
  T.Put("IMG_0001.JPG", Photo);
  T.Mkdir(Plain);
  const std::string C2 = "IMG_0001 2001-10-05 12-34-56 (2) .JPG",
                    C3 = "IMG_0001 2001-10-05 12-34-56 (3) .JPG";
  std::vector<std::string> After = {C2, C3, "IMG_0001 2001-10-05 12-34-56 (4) .JPG", Plain + "/"};
  if (platform::HasSpecialFiles) {
    fs::create_symlink("nowhere", T.Path() / C2);
    fs::create_symlink("IMG_0001.JPG", T.Path() / C3);
  } else {
    T.Mkdir(C2);
    T.Mkdir(C3);
    After[0] += "/";
    After[1] += "/";
  }

  EXPECT_EQ(T.Run({"IMG_0001.JPG"}).Out, "");
  std::sort(After.begin(), After.end());
  EXPECT_EQ(T.Entries(), After);
  if (platform::HasSpecialFiles) {
    EXPECT_EQ(fs::read_symlink(T.Path() / C2), "nowhere");
  }
}

TEST(NewName, AbsoluteFileNameStaysInItsDirectory) {
  TTree T;
  T.Put("sub/IMG_0001.JPG", Photo);
  const auto R = T.Run({T.Abs("sub/IMG_0001.JPG")});
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.ExitStatus, 0);
  EXPECT_EQ(T.Entries(), (std::vector<std::string>{"sub/", "sub/" + Plain}));
}

TEST(NewName, DateTextNeverLeadsIntoAnotherDirectory) {
  const struct {
    std::string DateTime, Expected;
  } Cases[] = {
      {"2001/10/05 12\\34\\56", "IMG 2001-10-05 12-34-56.JPG"},
      {"../../x", "IMG ..-..-x.JPG"},
      {"/", "IMG -.JPG"},
  };
  for (const auto& C : Cases) {
    TTree T;
    T.Put("IMG.JPG", fixture::JpegWithDateTime(C.DateTime));
    const auto R = T.Run({"IMG.JPG"});
    EXPECT_EQ(R.ExitStatus, 0) << C.DateTime;
    EXPECT_EQ(T.Entries(), std::vector<std::string>{C.Expected}) << C.DateTime;
  }
}

TEST(NewName, NoFreeNameUpToCounter998) {
  TTree T;
  T.Put("IMG_0001.JPG", Photo);
  T.Put(Plain, "");
  for (int N = 2; N <= 997; ++N)
    T.Put("IMG_0001 2001-10-05 12-34-56 (" + std::to_string(N) + ") .JPG", "");

  // One candidate left: counter 998 is still tried.
  EXPECT_EQ(T.Run({"/c", "IMG_0001.JPG"}).Out, "");
  EXPECT_EQ(T.Read("IMG_0001 2001-10-05 12-34-56 (998) .JPG"), Photo);

  const auto Before = T.Entries();
  const auto Single = T.Run({"IMG_0001.JPG"});
  EXPECT_EQ(Single.Out, Lines("Error, can't find new name for image\n"));
  EXPECT_EQ(Single.ExitStatus, 0);
  // In a mask run the failure is not counted.
  const auto Mask = T.Run({"IMG_0001.JP?"});
  EXPECT_EQ(Mask.Out, Lines("Error, can't find new name for image\n") + NothingFound);
  EXPECT_EQ(Mask.ExitStatus, 0);
  EXPECT_EQ(T.Entries(), Before);
  EXPECT_EQ(T.Read("IMG_0001.JPG"), Photo);
}

// ---------------------------------------------------------------------------
// Messages and the listing

TEST(Messages, FileWithoutUsableData) {
  const struct {
    const char* Label;
    std::string Bytes, Out;
  } Cases[] = {
      {"not a JPEG", "hello", "File: x.jpg doesn't contain any image information.\n"},
      {"empty", "", "File: x.jpg doesn't contain any image information.\n"},
      {"JPEG without Exif", std::string("\xFF\xD8\xFF\xD9", 4),
       "File: x.jpg doesn't contain any image information.\n"},
      {"no DateTime", fixture::JpegWithAsciiTags({{0x010F, "Canon"}}),
       "File: x.jpg doesn't have any date information\n"},
      {"only DateTimeOriginal", fixture::JpegWithAsciiTags({{0x9003, "2001:10:05 12:34:56"}}),
       "File: x.jpg doesn't have any date information\n"},
      {"empty DateTime", fixture::JpegWithDateTime(""), "File: x.jpg doesn't have any date information\n"},
  };
  for (const auto& C : Cases) {
    TTree T;
    T.Put("x.jpg", C.Bytes);
    for (const char* Opt : {"/s", "/c"}) {
      const auto R = T.Run({Opt, "x.jpg"});
      EXPECT_EQ(R.Out, Lines(C.Out)) << C.Label;
      EXPECT_EQ(R.ExitStatus, 0) << C.Label;
      EXPECT_EQ(T.Entries(), std::vector<std::string>{"x.jpg"}) << C.Label;
    }
  }
}

TEST(Messages, NamesAreShownFromTheStartDirectory) {
  TTree T;
  const std::string NoDate = fixture::JpegWithAsciiTags({{0x010F, "Canon"}});
  T.Put("x.jpg", NoDate);
  T.Put("start/deeper/y.jpg", NoDate);
  T.Put("startle/z.jpg", NoDate);
  const struct {
    std::string Arg, Shown;
  } Cases[] = {
      {T.Abs("x.jpg"), "../x.jpg"},
      {Path("../x.jpg"), "../x.jpg"},
      {T.Abs("start/deeper/y.jpg"), "deeper/y.jpg"},
      {Path("deeper/y.jpg"), "deeper/y.jpg"},
      {T.Abs("startle/z.jpg"), "../startle/z.jpg"},
  };
  for (const auto& C : Cases) {
    const auto R = T.RunIn("start", {C.Arg});
    EXPECT_EQ(R.Out, Shown("File: " + C.Shown + " doesn't have any date information\n")) << C.Arg;
  }
}

TEST(Listing, LaysOutEveryTag) {
  const std::string V48 = Pattern(48, 'a'), V49 = Pattern(49, 'A'), V97 = Pattern(97, 'a');
  TTree T;
  const std::string Bytes = fixture::JpegWithAsciiTags({
      {0x010F, "Canon"}, // Make
      {0x0112, "1"},     // Orientation
      {0x010E, V49},     // ImageDescription
      {0x013B, ""},      // Artist
      {0x010F, "Other"}, // Make again: shows the first value
      {0x8298, V48},     // Copyright
      {0x0131, V97},     // Software
      {0x0132, "2001:10:05 12:34:56"},
  });
  T.Put("list.jpg", Bytes);

  const auto R = T.Run({"/i", "list.jpg"});
  const std::string Blank(29, ' ');
  EXPECT_EQ(R.Out, Lines("Information for: list.jpg\n"
                         "                         Make: Canon\n"
                         "                  Orientation: 1\n"
                         "             ImageDescription: " +
                         V49.substr(0, 48) + "\n" + Blank + ": " + V49.substr(48) +
                         "\n"
                         "                       Artist: [Unsupported]\n"
                         "                         Make: Canon\n"
                         "                    Copyright: " +
                         V48 +
                         "\n"
                         "                     Software: " +
                         V97.substr(0, 48) + "\n" + Blank + ": " + V97.substr(48, 48) + "\n" + Blank + ": " +
                         V97.substr(96) +
                         "\n"
                         "                     DateTime: 2001:10:05 12:34:56\n"
                         "\n"));
  EXPECT_EQ(R.ExitStatus, 0);
  EXPECT_EQ(T.Entries(), std::vector<std::string>{"list.jpg"});
  EXPECT_EQ(T.Read("list.jpg"), Bytes);
}

// ---------------------------------------------------------------------------
// Errors nothing catches

TEST(UncaughtError, FileEndingInsideTheMarkerScan) {
  TTree T;
  T.Put("x.jpg", std::string("\xFF\xD8", 2));
  for (const char* Opt : {"/i", "/c", "/s"}) {
    const auto R = T.Run({Opt, "x.jpg"});
    EXPECT_EQ(R.Out, Lines("Exception Exception in module snapstamp.\nOut of bounds.\n")) << Opt;
    EXPECT_EQ(R.ExitStatus, 1) << Opt;
    EXPECT_EQ(T.Entries(), std::vector<std::string>{"x.jpg"});
  }
}

TEST(UncaughtError, FileThatCannotBeOpened) {
  TTree T;
  const platform::TUnopenableFile File(T.Path());
  if (File.Name().empty())
    GTEST_SKIP() << File.SkipReason();
  const auto R = T.Run({"/i", File.Name()});
  EXPECT_EQ(R.Out,
            Lines("Exception EFOpenError in module snapstamp.\nCannot open file " + File.Name() + ".\n"));
  EXPECT_EQ(R.ExitStatus, 1);
}

// ---------------------------------------------------------------------------
// The user's files

TEST(DataSafety, RenameAndCopyNeverReplaceAnEntry) {
  using Op = rtl::TFileOpResult (*)(const std::string&, const std::string&);
  const struct {
    const char* Label;
    Op Operation;
  } Ops[] = {{"rename", rtl::RenameFile}, {"copy", rtl::CopyFile}};
  for (const auto& O : Ops) {
    TTree T;
    T.Put("src.jpg", Photo);
    T.Put("file.jpg", "keep me");
    T.Mkdir("dir.jpg");
    std::vector<std::string> Targets = {"file.jpg", "dir.jpg"};
    if (platform::HasSpecialFiles) {
      fs::create_symlink("nowhere", T.Path() / "dangling.jpg");
      fs::create_symlink("file.jpg", T.Path() / "link.jpg");
      Targets.insert(Targets.end(), {"dangling.jpg", "link.jpg"});
    }
    const auto Before = T.Entries();
    for (const std::string& Target : Targets) {
      const rtl::TFileOpResult R = O.Operation(T.Abs("src.jpg"), T.Abs(Target));
      EXPECT_EQ(R.Status, rtl::TFileOpStatus::TargetExists)
          << O.Label << " to " << Target << ": " << R.Reason;
    }
    EXPECT_EQ(T.Entries(), Before) << O.Label;
    EXPECT_EQ(T.Read("src.jpg"), Photo);
    EXPECT_EQ(T.Read("file.jpg"), "keep me");
    if (platform::HasSpecialFiles) {
      EXPECT_EQ(fs::read_symlink(T.Path() / "dangling.jpg"), "nowhere");
    }
  }
}

TEST(DataSafety, OperationsReportTheSystemsReason) {
  TTree T;
  T.Put("src.jpg", Photo);
  const std::string Missing = T.Abs("no/such/dir/x.jpg");
  const struct {
    const char* Label;
    rtl::TFileOpResult R;
    std::string Reason;
  } Cases[] = {
      {"rename into a missing directory", rtl::RenameFile(T.Abs("src.jpg"), Missing),
       platform::NoSuchPathText()},
      {"copy into a missing directory", rtl::CopyFile(T.Abs("src.jpg"), Missing), platform::NoSuchPathText()},
      {"rename a missing file", rtl::RenameFile(T.Abs("gone.jpg"), T.Abs("x.jpg")),
       platform::NoSuchFileText()},
      {"copy a missing file", rtl::CopyFile(T.Abs("gone.jpg"), T.Abs("x.jpg")), platform::NoSuchFileText()},
  };
  for (const auto& C : Cases) {
    EXPECT_EQ(C.R.Status, rtl::TFileOpStatus::Failed) << C.Label;
    EXPECT_EQ(C.R.Reason, C.Reason) << C.Label;
  }
  EXPECT_EQ(T.Entries(), std::vector<std::string>{"src.jpg"});
}

// Windows keeps only the read-only attribute, which reads back as 0444.
TEST(DataSafety, CopyKeepsPermissionsAndModificationTime) {
  const std::vector<fs::perms> Modes =
      platform::Windows ? std::vector{fs::perms(0666), fs::perms(0444)}
                        : std::vector{fs::perms(0640), fs::perms(0755), fs::perms(0400), fs::perms(0604)};
  for (const fs::perms Mode : Modes) {
    TTree T;
    T.Sample("Canon_40D.jpg", "Canon_40D.jpg");
    const fs::path Src = T.Path() / "Canon_40D.jpg";
    const auto When =
        fs::last_write_time(Src) - std::chrono::hours(24 * 365 * 20) + std::chrono::nanoseconds(123456789);
    fs::last_write_time(Src, When);
    fs::permissions(Src, Mode);

    const auto R = T.Run({"/c", "Canon_40D.jpg"});
    EXPECT_EQ(R.Out, "");
    const fs::path Copy = T.Path() / "Canon_40D 2008-07-31 10-38-11.jpg";
    ASSERT_TRUE(fs::exists(Copy));
    EXPECT_EQ(fs::status(Copy).permissions(), Mode);
    EXPECT_EQ(fs::last_write_time(Copy), fs::last_write_time(Src));
    EXPECT_EQ(T.Read("Canon_40D 2008-07-31 10-38-11.jpg"),
              TTree::ReadFile(fs::path(SNAPSTAMP_SAMPLES_DIR) / "Canon_40D.jpg"));
    EXPECT_EQ(fs::status(Src).permissions(), Mode);
    // Windows refuses to remove a read-only file.
    for (const fs::path& P : {Src, Copy})
      fs::permissions(P, fs::perms::owner_write, fs::perm_options::add);
  }
}

// A file-size limit stops the copy half way, for root too.
TEST(DataSafety, FailedCopyLeavesNoPartialFileAndCountsNothing) {
  if (!platform::HasResourceLimits)
    GTEST_SKIP() << "no file-size limit for one process on this platform";
  const std::string Line = "Error, can't copy Canon_40D.jpg to Canon_40D 2008-07-31 10-38-11.jpg: " +
                           std::string(std::strerror(EFBIG)) + "\n";
  const struct {
    std::vector<std::string> Args;
    std::string Out;
  } Cases[] = {
      {{"/c", "Canon_40D.jpg"}, Line},
      {{"/c", "*.jpg"}, Line + "The system cannot find the file specified.\n       0 file(s) copied.\n"},
  };
  for (const auto& C : Cases) {
    TTree T;
    T.Sample("Canon_40D.jpg", "Canon_40D.jpg");
    const auto R = T.Run(C.Args, {.FileSize = 1024});
    EXPECT_EQ(R.Out, C.Out);
    EXPECT_EQ(R.ExitStatus, 0);
    EXPECT_EQ(T.Entries(), std::vector<std::string>{"Canon_40D.jpg"});
  }
}

// A name longer than the file system allows makes the operation fail for
// root too, and on every platform.
TEST(DataSafety, FailedRenameOrCopyIsReportedAndNotCounted) {
  const std::string Tag(300, 'x');
  const std::string Summary = "The system cannot find the file specified.\n       0 file(s) ";
  const struct {
    std::vector<std::string> Args;
    std::string Verb, After;
  } Cases[] = {
      {{"/t:" + Tag, "IMG_0001.JPG"}, "rename", ""},
      {{"/t:" + Tag, "*.JPG"}, "rename", Summary + "renamed.\n"},
      {{"/c", "/t:" + Tag, "IMG_0001.JPG"}, "copy", ""},
      {{"/c", "/t:" + Tag, "*.JPG"}, "copy", Summary + "copied.\n"},
  };
  for (const auto& C : Cases) {
    TTree T;
    T.Put("IMG_0001.JPG", Photo);
    const auto R = T.Run(C.Args);
    std::vector<std::string> Expected;
    for (const std::string& Reason : platform::NameTooLongTexts())
      Expected.push_back(Lines("Error, can't " + C.Verb + " IMG_0001.JPG to " + Tag +
                               " 2001-10-05 12-34-56.JPG: " + Reason + "\n" + C.After));
    EXPECT_NE(std::find(Expected.begin(), Expected.end(), R.Out), Expected.end())
        << R.Out << "is none of the expected outputs, the first being\n"
        << Expected.front();
    EXPECT_EQ(R.ExitStatus, 0);
    EXPECT_EQ(T.Entries(), std::vector<std::string>{"IMG_0001.JPG"});
    EXPECT_EQ(T.Read("IMG_0001.JPG"), Photo);
  }
}

// ---------------------------------------------------------------------------
// The runner itself: a hang must fail the test instead of stalling the suite.

// On Windows the arguments go through one command line and must come back
// whole: blanks, quotes and backslashes before a quote or at the end.
TEST(Runner, CapturesBothStreamsTheArgumentsAndTheExitStatus) {
  TTree T;
  const std::vector<std::string> Args = {"7",       "plain",   "two words", "",        "say \"hi\"", "a\\\"b",
                                         "trail\\", "c:\\x\\", "tab\there", "\\\\srv", "*.jpg"};
  const auto R = runner::RunProgram(SNAPSTAMP_RUNNER_CHILD, Args, T.Path());
  std::string Expected = T.Path().string() + "\n";
  for (size_t I = 1; I < Args.size(); ++I)
    Expected += "[" + Args[I] + "]\n";
  EXPECT_EQ(R.Out, Lines(Expected));
  EXPECT_EQ(R.Err, Lines("err\n"));
  EXPECT_EQ(R.ExitStatus, 7);
  EXPECT_FALSE(R.TimedOut);
}

TEST(Runner, SetsResourceLimits) {
  if (!platform::HasResourceLimits)
    GTEST_SKIP() << "resource limits exist on POSIX systems only";
  const auto R =
      runner::RunProgram("/bin/sh", {"-c", "ulimit -n; ulimit -f"}, "/", {.FileSize = 4096, .OpenFiles = 64});
  EXPECT_EQ(R.Out, "64\n8\n");
  EXPECT_EQ(R.ExitStatus, 0);
}

TEST(Runner, KillsAHungChild) {
  TTree T;
  EXPECT_NONFATAL_FAILURE(EXPECT_TRUE(runner::RunProgram(SNAPSTAMP_RUNNER_CHILD, {"hang"}, T.Path(), {},
                                                         std::chrono::milliseconds(500))
                                          .TimedOut),
                          "did not finish");
}

} // namespace
