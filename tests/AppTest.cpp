// The snapstamp executable on single files: command line, listing, new
// names, error reports and the safety of the user's files.
#include "AppTestTree.h"
#include "ExifFixture.h"
#include "rtl/FileSystem.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using apptest::TTree;
namespace fs = std::filesystem;

const std::string Usage = "\n"
                          "Snapstamp, copyright (C) 2026 the Snapstamp authors\n"
                          "  Documentation: the README.md file that comes with Snapstamp\n"
                          "\n"
                          "Snapstamp [/c] [/r] [/s] [/t:tag] <filename>\n"
                          " /i : Don't copy or rename, but print all information\n"
                          " /c : Copy instead of rename\n"
                          " /r : Recursive in sub directories\n"
                          " /s : Use name or tag as suffix instead of prefix\n"
                          " /t : Use this tag for all files, instead of the file name\n"
                          "\n";
const std::string NotFound = "Error, file wasn't found\n\n";
const std::string IllegalMask = "Error, file mask isn't legal\n\n";

const std::string Photo = fixture::JpegWithDateTime("2001:10:05 12:34:56");
const std::string PhotoListing = "Information for: IMG_0001.JPG\n"
                                 "                         Make: Snapstamp\n"
                                 "                     DateTime: 2001:10:05 12:34:56\n"
                                 "\n";

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
  ASSERT_EQ(::mkfifo(T.Abs("fifo.jpg").c_str(), 0644), 0);
  fs::create_symlink("nowhere.jpg", T.Path() / "dangling.jpg");
  const auto Before = T.Entries();

  const auto R = T.Run(C.Args);
  EXPECT_EQ(R.Out, C.Out);
  EXPECT_EQ(R.ExitStatus, C.Status);
  EXPECT_EQ(T.Entries(), Before);
  EXPECT_EQ(T.Read("IMG_0001.JPG"), Photo);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLine,
    testing::Values(TArgCase{"no_arguments", {}, Usage, 1}, TArgCase{"only_an_option", {"/i"}, Usage, 1},
                    TArgCase{"only_options", {"/c", "/r", "/t:x", "/s"}, Usage, 1},
                    TArgCase{"option_after_the_file", {"IMG_0001.JPG", "/i"}, Usage, 1},
                    TArgCase{"unknown_option_last", {"/x"}, Usage, 1},
                    TArgCase{"empty_argument", {""}, Usage, 1},
                    TArgCase{"missing_file", {"nothere.jpg"}, NotFound, 2},
                    TArgCase{"name_in_other_case", {"img_0001.jpg"}, NotFound, 2},
                    TArgCase{"directory", {"dir.jpg"}, NotFound, 2},
                    TArgCase{"fifo", {"fifo.jpg"}, NotFound, 2},
                    TArgCase{"dangling_link", {"dangling.jpg"}, NotFound, 2},
                    TArgCase{"missing_absolute_name", {"/i", "/snapstamp-no-such-dir/a.jpg"}, NotFound, 2},
                    TArgCase{"mask_going_up", {"../*.jpg"}, IllegalMask, 3},
                    TArgCase{"mask_with_dot_dot", {"a..*"}, IllegalMask, 3},
                    TArgCase{"mask_with_directory", {"sub/*.JPG"}, IllegalMask, 3},
                    TArgCase{"mask_with_backslash", {"sub\\*.JPG"}, IllegalMask, 3},
                    TArgCase{"absolute_mask", {"/r", "/tmp/*.jpg"}, IllegalMask, 3},
                    TArgCase{"parentheses_with_directory", {"sub/a(1).jpg"}, IllegalMask, 3}),
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
  Args.push_back(C.File);

  const auto R = T.Run(Args);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.ExitStatus, 0);
  EXPECT_FALSE(fs::exists(T.Path() / C.File));
  EXPECT_EQ(T.Read(C.Expected), Photo);
  for (const std::string& Name : C.Taken)
    EXPECT_EQ(T.Read(Name), "occupant " + Name);
}

const std::string Plain = "IMG_0001 2001-10-05 12-34-56.JPG";

INSTANTIATE_TEST_SUITE_P(
    Cases, NewName,
    testing::Values(
        TNameCase{"counter_2", "IMG_0001.JPG", {Plain}, {}, "IMG_0001 2001-10-05 12-34-56 (2) .JPG"},
        TNameCase{"counter_3",
                  "IMG_0001.JPG",
                  {Plain, "IMG_0001 2001-10-05 12-34-56 (2) .JPG"},
                  {},
                  "IMG_0001 2001-10-05 12-34-56 (3) .JPG"},
        TNameCase{"suffix_counter",
                  "IMG_0001.JPG",
                  {"2001-10-05 12-34-56 IMG_0001.JPG"},
                  {"/s"},
                  "2001-10-05 12-34-56 (2)  IMG_0001.JPG"},
        TNameCase{"tag_counter",
                  "a.jpg",
                  {"Rome 2001-10-05 12-34-56.jpg"},
                  {"/t:Rome"},
                  "Rome 2001-10-05 12-34-56 (2) .jpg"},
        TNameCase{"other_case_is_free", "IMG_0001.JPG", {"img_0001 2001-10-05 12-34-56.jpg"}, {}, Plain},
        TNameCase{"no_extension", "scan", {}, {}, "scan 2001-10-05 12-34-56"},
        TNameCase{"no_extension_counter",
                  "scan",
                  {"scan 2001-10-05 12-34-56"},
                  {},
                  "scan 2001-10-05 12-34-56 (2) "},
        TNameCase{"dot_only_in_directory", "sub.d/scan", {}, {}, "sub.d/scan 2001-10-05 12-34-56"},
        TNameCase{"last_dot_starts_extension", "a.b.jpeg", {}, {}, "a.b 2001-10-05 12-34-56.jpeg"},
        TNameCase{"hidden_file", ".jpg", {}, {}, " 2001-10-05 12-34-56.jpg"},
        TNameCase{"in_subdirectory",
                  "sub/IMG_0001.JPG",
                  {"IMG_0001 2001-10-05 12-34-56.JPG"},
                  {},
                  "sub/IMG_0001 2001-10-05 12-34-56.JPG"}),
    [](const auto& Info) { return std::string(Info.param.Label); });

TEST(NewName, EntryOfAnyKindTakesACandidate) {
  TTree T;
  T.Put("IMG_0001.JPG", Photo);
  T.Mkdir(Plain);
  fs::create_symlink("nowhere", T.Path() / "IMG_0001 2001-10-05 12-34-56 (2) .JPG");
  fs::create_symlink("IMG_0001.JPG", T.Path() / "IMG_0001 2001-10-05 12-34-56 (3) .JPG");

  EXPECT_EQ(T.Run({"IMG_0001.JPG"}).Out, "");
  EXPECT_EQ(T.Entries(), (std::vector<std::string>{"IMG_0001 2001-10-05 12-34-56 (2) .JPG",
                                                   "IMG_0001 2001-10-05 12-34-56 (3) .JPG",
                                                   "IMG_0001 2001-10-05 12-34-56 (4) .JPG", Plain + "/"}));
  EXPECT_EQ(fs::read_symlink(T.Path() / "IMG_0001 2001-10-05 12-34-56 (2) .JPG"), "nowhere");
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
  EXPECT_EQ(Single.Out, "Error, can't find new name for image\n");
  EXPECT_EQ(Single.ExitStatus, 0);
  // In a mask run the failure is not counted.
  const auto Mask = T.Run({"IMG_0001.JP?"});
  EXPECT_EQ(Mask.Out, "Error, can't find new name for image\n"
                      "The system cannot find the file specified.\n"
                      "       0 file(s) renamed.\n");
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
      EXPECT_EQ(R.Out, C.Out) << C.Label;
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
      {"../x.jpg", "../x.jpg"},
      {T.Abs("start/deeper/y.jpg"), "deeper/y.jpg"},
      {"deeper/y.jpg", "deeper/y.jpg"},
      {T.Abs("startle/z.jpg"), "../startle/z.jpg"},
  };
  for (const auto& C : Cases) {
    const auto R = T.RunIn("start", {C.Arg});
    EXPECT_EQ(R.Out, "File: " + C.Shown + " doesn't have any date information\n") << C.Arg;
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
  EXPECT_EQ(R.Out, "Information for: list.jpg\n"
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
                       "\n");
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
    EXPECT_EQ(R.Out, "Exception Exception in module snapstamp.\nOut of bounds.\n") << Opt;
    EXPECT_EQ(R.ExitStatus, 1) << Opt;
    EXPECT_EQ(T.Entries(), std::vector<std::string>{"x.jpg"});
  }
}

// Root may open any file of its own; a write-only kernel setting is a
// regular file that nobody may open for reading.
TEST(UncaughtError, FileThatCannotBeOpened) {
  const std::string Name = "/proc/sys/vm/drop_caches";
  struct stat St {};
  const int Fd = ::open(Name.c_str(), O_RDONLY);
  if (Fd >= 0)
    ::close(Fd);
  if (::stat(Name.c_str(), &St) != 0 || !S_ISREG(St.st_mode) || Fd >= 0)
    GTEST_SKIP() << Name << " is missing or readable here";
  TTree T;
  const auto R = T.Run({"/i", Name});
  EXPECT_EQ(R.Out, "Exception EFOpenError in module snapstamp.\nCannot open file " + Name + ".\n");
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
    fs::create_symlink("nowhere", T.Path() / "dangling.jpg");
    fs::create_symlink("file.jpg", T.Path() / "link.jpg");
    const auto Before = T.Entries();
    for (const char* Target : {"file.jpg", "dir.jpg", "dangling.jpg", "link.jpg"}) {
      const rtl::TFileOpResult R = O.Operation(T.Abs("src.jpg"), T.Abs(Target));
      EXPECT_EQ(R.Status, rtl::TFileOpStatus::TargetExists)
          << O.Label << " to " << Target << ": " << R.Reason;
    }
    EXPECT_EQ(T.Entries(), Before) << O.Label;
    EXPECT_EQ(T.Read("src.jpg"), Photo);
    EXPECT_EQ(T.Read("file.jpg"), "keep me");
    EXPECT_EQ(fs::read_symlink(T.Path() / "dangling.jpg"), "nowhere");
  }
}

TEST(DataSafety, OperationsReportTheSystemsReason) {
  TTree T;
  T.Put("src.jpg", Photo);
  const std::string Missing = T.Abs("no/such/dir/x.jpg");
  for (const auto& R : {rtl::RenameFile(T.Abs("src.jpg"), Missing), rtl::CopyFile(T.Abs("src.jpg"), Missing),
                        rtl::RenameFile(T.Abs("gone.jpg"), T.Abs("x.jpg")),
                        rtl::CopyFile(T.Abs("gone.jpg"), T.Abs("x.jpg"))}) {
    EXPECT_EQ(R.Status, rtl::TFileOpStatus::Failed);
    EXPECT_EQ(R.Reason, std::strerror(ENOENT));
  }
  EXPECT_EQ(T.Entries(), std::vector<std::string>{"src.jpg"});
}

TEST(DataSafety, CopyKeepsPermissionsAndModificationTime) {
  for (const fs::perms Mode : {fs::perms(0640), fs::perms(0755), fs::perms(0400), fs::perms(0604)}) {
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
  }
}

// A file-size limit stops the copy half way, for root too.
TEST(DataSafety, FailedCopyLeavesNoPartialFileAndCountsNothing) {
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

// A name longer than the file system allows makes the rename fail for root too.
TEST(DataSafety, FailedRenameIsReportedAndNotCounted) {
  const std::string Tag(300, 'x');
  const std::string Line = "Error, can't rename IMG_0001.JPG to " + Tag +
                           " 2001-10-05 12-34-56.JPG: " + std::string(std::strerror(ENAMETOOLONG)) + "\n";
  const struct {
    std::vector<std::string> Args;
    std::string Out;
  } Cases[] = {
      {{"/t:" + Tag, "IMG_0001.JPG"}, Line},
      {{"/t:" + Tag, "*.JPG"},
       Line + "The system cannot find the file specified.\n       0 file(s) renamed.\n"},
  };
  for (const auto& C : Cases) {
    TTree T;
    T.Put("IMG_0001.JPG", Photo);
    const auto R = T.Run(C.Args);
    EXPECT_EQ(R.Out, C.Out);
    EXPECT_EQ(R.ExitStatus, 0);
    EXPECT_EQ(T.Entries(), std::vector<std::string>{"IMG_0001.JPG"});
    EXPECT_EQ(T.Read("IMG_0001.JPG"), Photo);
  }
}

// ---------------------------------------------------------------------------
// The runner itself: a hang must fail the test instead of stalling the suite.

TEST(Runner, CapturesBothStreamsAndTheExitStatus) {
  const auto R =
      runner::RunProgram("/bin/sh", {"-c", "pwd; echo err >&2; ulimit -n; exit 7"}, "/", {.OpenFiles = 64});
  EXPECT_EQ(R.Out, "/\n64\n");
  EXPECT_EQ(R.Err, "err\n");
  EXPECT_EQ(R.ExitStatus, 7);
  EXPECT_FALSE(R.TimedOut);
}

TEST(Runner, KillsAHungChild) {
  EXPECT_NONFATAL_FAILURE(
      EXPECT_TRUE(runner::RunProgram("/bin/sleep", {"30"}, "/", {}, std::chrono::milliseconds(200)).TimedOut),
      "did not finish");
}

} // namespace
