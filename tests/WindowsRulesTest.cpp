// The file-name, command-line and file-system rules that only the Windows
// build has: drive and share prefixes, "\" and ":" in names, case-blind
// names, CR LF line ends, and the Win32 calls that must never replace a file.
// What both builds share runs in app_tests on both.
#include "ExifFixture.h"
#include "RunProgram.h"
#include "app/ProcessFile.h"
#include "app/Settings.h"
#include "rtl/FileNames.h"
#include "rtl/FileStream.h"
#include "rtl/FileSystem.h"
#include "rtl/StringList.h"
#include "rtl/win32/Win32Api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::string Bytes(fs::file_size(Path), '\0');
  In.read(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  return Bytes;
}

struct TRelativeCase {
  const char* StartDir;
  const char* Name;
  const char* Expected;
};

TEST(WindowsRelativeName, DrivesSharesAndCaseBlindComponents) {
  const TRelativeCase Cases[] = {
      {"C:\\Pics", "C:\\Pics\\2001\\IMG_1.JPG", "2001\\IMG_1.JPG"},
      {"C:\\Pics", "C:\\Other\\a.jpg", "..\\Other\\a.jpg"},
      {"C:\\Pics\\Sub\\Deep", "C:\\Pics\\a.jpg", "..\\..\\a.jpg"},
      {"C:\\Pics\\Sub", "C:\\Pics\\Subway\\a.jpg", "..\\Subway\\a.jpg"},
      {"C:\\", "C:\\a\\b.jpg", "a\\b.jpg"},
      // Another drive, or a name without one, is shown as given.
      {"C:\\Pics", "D:\\Pics\\a.jpg", "D:\\Pics\\a.jpg"},
      {"C:\\Pics", "\\Pics\\a.jpg", "\\Pics\\a.jpg"},
      {"C:\\Pics", "a.jpg", "a.jpg"},
      {"C:\\Pics", "sub\\a.jpg", "sub\\a.jpg"},
      // Drive letters and directory names compare without regard to case.
      {"C:\\Pics\\Rome", "c:\\PICS\\rome\\a.jpg", "a.jpg"},
      {"c:\\pics", "C:\\Pics\\Rome\\a.JPG", "Rome\\a.JPG"},
      // A share is a drive of its own.
      {"\\\\server\\share\\Pics", "\\\\server\\share\\Pics\\a.jpg", "a.jpg"},
      {"\\\\server\\share\\Pics", "\\\\SERVER\\Share\\Other\\a.jpg", "..\\Other\\a.jpg"},
      {"\\\\server\\share\\Pics", "\\\\server\\other\\Pics\\a.jpg", "\\\\server\\other\\Pics\\a.jpg"},
      {"\\\\server\\share\\Pics", "C:\\Pics\\a.jpg", "C:\\Pics\\a.jpg"},
      {"C:\\Pics", "\\\\server\\share\\Pics\\a.jpg", "\\\\server\\share\\Pics\\a.jpg"},
      {"\\\\server\\share", "\\\\server\\share\\a\\b.jpg", "a\\b.jpg"},
  };
  for (const TRelativeCase& C : Cases) {
    SCOPED_TRACE(std::string(C.StartDir) + " | " + C.Name);
    app::StartDir = C.StartDir;
    EXPECT_EQ(app::RelativeName(C.Name), C.Expected);
  }
}

TEST(WindowsFileNames, BackslashAndColonEndTheDirectoryPart) {
  struct TCase {
    const char* Name;
    const char* Path;
    const char* File;
    const char* Ext;
  } const Cases[] = {
      {"C:\\Pics\\IMG_0001.JPG", "C:\\Pics\\", "IMG_0001.JPG", ".JPG"},
      {"C:IMG.jpg", "C:", "IMG.jpg", ".jpg"},
      {"D:", "D:", "", ""},
      {"\\\\server\\share\\a.b.jpeg", "\\\\server\\share\\", "a.b.jpeg", ".jpeg"},
      {"C:\\dir.v2\\scan", "C:\\dir.v2\\", "scan", ""},
      {"scan.", "", "scan.", "."},
      {"plain", "", "plain", ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(rtl::ExtractFilePath(C.Name), C.Path);
    EXPECT_EQ(rtl::ExtractFileName(C.Name), C.File);
    EXPECT_EQ(rtl::ExtractFileExt(C.Name), C.Ext);
  }
  EXPECT_EQ(rtl::JoinPath("C:\\Pics", "a.jpg"), "C:\\Pics\\a.jpg");
  EXPECT_EQ(rtl::JoinPath("C:\\", "a.jpg"), "C:\\a.jpg");
}

TEST(WindowsCommandLine, OptionsAndMasks) {
  // Any argument that starts with "/" is an option, even one that looks
  // like a path.
  for (const char* Arg : {"/i", "/t:Rome", "/x", "/home/me/a.jpg"})
    EXPECT_TRUE(rtl::IsOptionArgument(Arg)) << Arg;
  for (const char* Arg : {"", "a.jpg", "C:\\a.jpg", "\\\\server\\share\\a.jpg", "-i"})
    EXPECT_FALSE(rtl::IsOptionArgument(Arg)) << Arg;

  for (const char* Mask : {"sub\\*.jpg", "\\*.jpg", "..*", "*..jpg", "C:\\*.jpg"})
    EXPECT_TRUE(rtl::IsIllegalMask(Mask)) << Mask;
  for (const char* Mask : {"*.jpg", "img?.jpg", "a.b*", "photo (2).jpg"})
    EXPECT_FALSE(rtl::IsIllegalMask(Mask)) << Mask;

  EXPECT_EQ(rtl::LineEnd, "\r\n");
  EXPECT_EQ(rtl::PathDelim, '\\');
  EXPECT_FALSE(rtl::ShellExpandsWildcards);
}

// FoldName must give equal keys exactly for the names SameName holds equal,
// or a listing would show a repeated tag with the wrong value.
TEST(WindowsListNames, FoldNameAgreesWithSameName) {
  const std::pair<const char*, const char*> Pairs[] = {
      {"DateTime", "DATETIME"},
      {"DateTime", "datetime"},
      {"DateTime", "DateTimeOriginal"},
      {"co-op", "coop"},
      {"a_b", "a-b"},
      {"XResolution", "YResolution"},
      {"\xC4rger", "\xE4rger"},
      {"Stra\xDF"
       "e",
       "STRASSE"},
      {"", ""},
      {"x", ""},
  };
  for (const auto& [A, B] : Pairs) {
    SCOPED_TRACE(std::string(A) + " | " + B);
    EXPECT_EQ(rtl::SameName(A, B), rtl::FoldName(A) == rtl::FoldName(B));
    EXPECT_TRUE(rtl::SameName(A, A));
  }
  EXPECT_TRUE(rtl::SameName("DateTime", "DATETIME"));
  EXPECT_FALSE(rtl::SameName("DateTime", "DateTimeOriginal"));

  rtl::TStringList List;
  List.Add("XResolution=72");
  List.Add("xresolution=300");
  List.Add("YResolution=72");
  EXPECT_EQ(List.FirstIndexOfEachName(), (std::vector<int32_t>{0, 0, 2}));
}

class WindowsFileSystem : public ::testing::Test {
protected:
  fixture::TTempDir Temp;
  std::string Dir() const { return Temp.Path().string(); }
  std::string In(const std::string& Name) const { return (Temp.Path() / Name).string(); }
};

TEST_F(WindowsFileSystem, RenameNeverReplacesTheTarget) {
  const std::string Old = Temp.File("old.jpg", "old");
  const std::string Taken = Temp.File("taken.jpg", "taken");
  rtl::TFileOpResult R = rtl::RenameFile(Old, Taken);
  EXPECT_EQ(R.Status, rtl::TFileOpStatus::TargetExists);
  EXPECT_EQ(ReadAll(Old), "old");
  EXPECT_EQ(ReadAll(Taken), "taken");

  // A target that differs only in case is the same file on Windows.
  R = rtl::RenameFile(Old, In("TAKEN.JPG"));
  EXPECT_EQ(R.Status, rtl::TFileOpStatus::TargetExists);
  EXPECT_EQ(ReadAll(Old), "old");

  R = rtl::RenameFile(Old, In("no such dir\\new.jpg"));
  EXPECT_EQ(R.Status, rtl::TFileOpStatus::Failed);
  EXPECT_FALSE(R.Reason.empty());
  EXPECT_EQ(R.Reason.find('\n'), std::string::npos);

  R = rtl::RenameFile(Old, In("new.jpg"));
  EXPECT_EQ(R.Status, rtl::TFileOpStatus::Done);
  EXPECT_FALSE(rtl::EntryExists(Old));
  EXPECT_EQ(ReadAll(In("new.jpg")), "old");
}

TEST_F(WindowsFileSystem, CopyNeverReplacesTheTarget) {
  const std::string Old = Temp.File("old.jpg", "old");
  const std::string Taken = Temp.File("taken.jpg", "taken");
  rtl::TFileOpResult R = rtl::CopyFile(Old, Taken);
  EXPECT_EQ(R.Status, rtl::TFileOpStatus::TargetExists);
  EXPECT_EQ(ReadAll(Taken), "taken");

  R = rtl::CopyFile(In("missing.jpg"), In("copy.jpg"));
  EXPECT_EQ(R.Status, rtl::TFileOpStatus::Failed);
  EXPECT_FALSE(R.Reason.empty());
  EXPECT_FALSE(rtl::EntryExists(In("copy.jpg")));

  R = rtl::CopyFile(Old, In("copy.jpg"));
  EXPECT_EQ(R.Status, rtl::TFileOpStatus::Done);
  EXPECT_EQ(ReadAll(Old), "old");
  EXPECT_EQ(ReadAll(In("copy.jpg")), "old");
}

TEST_F(WindowsFileSystem, ExistenceTests) {
  Temp.File("a.jpg", "a");
  fs::create_directory(Temp.Path() / "sub");
  EXPECT_TRUE(rtl::FileExists(In("a.jpg")));
  EXPECT_TRUE(rtl::FileExists(In("A.JPG")));
  EXPECT_FALSE(rtl::FileExists(In("sub")));
  EXPECT_TRUE(rtl::EntryExists(In("sub")));
  EXPECT_FALSE(rtl::EntryExists(In("b.jpg")));
  // A wildcard would match a.jpg as a pattern.
  EXPECT_FALSE(rtl::EntryExists(In("?.jpg")));
  EXPECT_FALSE(rtl::FileExists(In("*.jpg")));
  EXPECT_FALSE(rtl::EntryExists(""));
}

TEST_F(WindowsFileSystem, ListingIsSortedAndDirectoriesKeepTheirBitWhateverElseIsSet) {
  for (const char* Name : {"b.jpg", "A.jpg", "_x.jpg", "a.JPG2"})
    Temp.File(Name, "x");
  fs::create_directory(Temp.Path() / ".hidden");
  fs::create_directory(Temp.Path() / "Sub");
  fs::create_directory(Temp.Path() / "ro");
  ASSERT_TRUE(::SetFileAttributesA(In("ro").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

  std::vector<rtl::TSearchRec> Entries;
  ASSERT_TRUE(rtl::ListDirectory(Dir(), Entries));
  std::vector<std::pair<std::string, uint32_t>> Got;
  for (const rtl::TSearchRec& E : Entries)
    Got.emplace_back(E.Name, E.Attr);
  const std::vector<std::pair<std::string, uint32_t>> Expected = {
      {".hidden", rtl::faDirectory}, {"_x.jpg", rtl::faArchive}, {"A.jpg", rtl::faArchive},
      {"a.JPG2", rtl::faArchive},    {"b.jpg", rtl::faArchive},  {"ro", rtl::faDirectory},
      {"Sub", rtl::faDirectory},
  };
  EXPECT_EQ(Got, Expected);
  ::SetFileAttributesA(In("ro").c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_FALSE(rtl::ListDirectory(In("missing"), Entries));
  EXPECT_TRUE(Entries.empty());
}

TEST_F(WindowsFileSystem, OpenStreamLetsOthersReadButNotWrite) {
  const std::string Name = Temp.File("a.jpg", "abc");
  rtl::TFileStream S(Name, rtl::fmOpenRead | rtl::fmShareDenyWrite);
  {
    const rtl::TFileStream Reader(Name, rtl::fmOpenRead | rtl::fmShareDenyWrite);
    EXPECT_EQ(Reader.FileName(), Name);
  }
  const HANDLE Writer = ::CreateFileA(Name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(Writer, INVALID_HANDLE_VALUE);
  if (Writer != INVALID_HANDLE_VALUE)
    ::CloseHandle(Writer);
  uint8_t Buf[8] = {};
  EXPECT_EQ(S.ReadAt(1, Buf, 8), 2);
  EXPECT_EQ(Buf[0], 'b');
  EXPECT_EQ(S.ReadAt(3, Buf, 8), 0);
  EXPECT_EQ(S.ReadAt(int64_t{1} << 40, Buf, 8), 0);
}

// What the program prints, byte for byte, and its exit status.
struct TRun {
  DWORD Status = 0;
  std::string Output;
};

TRun RunSnapstamp(const fs::path& WorkDir, const std::vector<std::string>& Args) {
  const runner::TRunResult R = runner::RunProgram(SNAPSTAMP_EXE, Args, WorkDir);
  EXPECT_EQ(R.Err, "");
  return {static_cast<DWORD>(R.ExitStatus), R.Out};
}

class WindowsProgram : public WindowsFileSystem {
protected:
  const std::string Photo = fixture::JpegWithDateTime("2001:10:05 12:34:56");
};

TEST_F(WindowsProgram, EveryLineEndsInCrLf) {
  const TRun R = RunSnapstamp(Temp.Path(), {});
  EXPECT_EQ(R.Status, 1u);
  size_t Lines = 0;
  for (size_t I = 0; I < R.Output.size(); ++I)
    if (R.Output[I] == '\n') {
      ++Lines;
      EXPECT_TRUE(I > 0 && R.Output[I - 1] == '\r') << "bare LF at " << I;
    }
  EXPECT_EQ(Lines, 11u);
  EXPECT_EQ(R.Output.substr(0, 2), "\r\n");
}

// Without a shell that expands wildcards, several names are no list: every
// argument but the last one is an option or ignored.
TEST_F(WindowsProgram, OnlyTheLastNameCounts) {
  Temp.File("a.jpg", Photo);
  Temp.File("b.jpg", Photo);
  const TRun R = RunSnapstamp(Temp.Path(), {"a.jpg", "b.jpg"});
  EXPECT_EQ(R.Status, 0u);
  EXPECT_EQ(R.Output, "");
  EXPECT_TRUE(rtl::FileExists(In("a.jpg")));
  EXPECT_TRUE(rtl::FileExists(In("b 2001-10-05 12-34-56.jpg")));
}

TEST_F(WindowsProgram, MaskRunShowsBackslashNamesAndEntersHiddenDirectories) {
  fs::create_directory(Temp.Path() / ".thumbs");
  fs::create_directory(Temp.Path() / "Sub");
  Temp.File(".thumbs\\x.jpg", Photo);
  Temp.File("Sub\\Y.JPG", Photo);
  Temp.File("z.jpg", Photo);

  // Wine marks ".thumbs" hidden: taken for a file, it would end the run.
  TRun R = RunSnapstamp(Temp.Path(), {"*.jpg"});
  EXPECT_EQ(R.Status, 0u);
  EXPECT_EQ(R.Output, "z 2001-10-05 12-34-56.jpg\r\n       1 file(s) renamed.\r\n");

  // The mask is lowercased; z.jpg has its new name from the first run.
  R = RunSnapstamp(Temp.Path(), {"/r", "/c", "*.JPG"});
  EXPECT_EQ(R.Status, 0u);
  EXPECT_EQ(R.Output, ".thumbs\\x 2001-10-05 12-34-56.jpg\r\n"
                      "Sub\\Y 2001-10-05 12-34-56.JPG\r\n"
                      "z 2001-10-05 12-34-56 2001-10-05 12-34-56.jpg\r\n"
                      "       3 file(s) copied.\r\n");
  EXPECT_TRUE(rtl::FileExists(In("Sub\\Y.JPG")));
}

} // namespace
