// The executable under load and against hostile input: two runs renaming one
// folder at once, trees deeper and longer than a path can name, and a corpus
// of broken photos. Whatever a run meets, it must end with a documented
// status, leave nothing on standard error (where the sanitizers report) and
// never lose or duplicate a file.
#include "AppTestTree.h"
#include "ExifFixture.h"
#include "app/MaskRun.h"

#include <gtest/gtest.h>

#ifdef _WIN32

TEST(Robustness, PosixOnly) { GTEST_SKIP() << "the trees and concurrent runs are built with POSIX calls"; }

#else

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <latch>
#include <map>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using apptest::TTree;
using runner::TRunResult;
namespace fs = std::filesystem;

const std::string D = " 2001-10-05 12-34-56";
const std::string Photo = fixture::JpegWithDateTime("2001:10:05 12:34:56");

[[noreturn]] void Fail(const std::string& What) {
  throw std::runtime_error(What + ": " + std::strerror(errno));
}

std::vector<std::string> SamplePhotos() {
  std::vector<fs::path> Names;
  for (const auto& E : fs::directory_iterator(SNAPSTAMP_SAMPLES_DIR))
    if (E.path().extension() == ".jpg")
      Names.push_back(E.path());
  std::sort(Names.begin(), Names.end());
  std::vector<std::string> R;
  for (const fs::path& P : Names)
    R.push_back(TTree::ReadFile(P));
  return R;
}

uint64_t Fnv1a(std::string_view Bytes) {
  uint64_t H = 14695981039346656037ULL;
  for (const char C : Bytes)
    H = (H ^ static_cast<unsigned char>(C)) * 1099511628211ULL;
  return H;
}

bool EndsWith(std::string_view S, std::string_view Tail) {
  return S.size() >= Tail.size() && S.substr(S.size() - Tail.size()) == Tail;
}

// The report of an uncaught error ends the output: "Exception <Class> in
// module snapstamp." and the message with a full stop.
bool EndsWithReport(std::string_view Out) {
  if (!EndsWith(Out, ".\n"))
    return false;
  Out.remove_suffix(1);
  const size_t Message = Out.rfind('\n') + 1; // 0 when there is no line before
  if (Message == 0)
    return false;
  std::string_view Head = Out.substr(0, Message - 1);
  Head.remove_prefix(Head.rfind('\n') + 1);
  return Head.starts_with("Exception ") && EndsWith(Head, " in module snapstamp.");
}

// What holds for every run, whatever it met.
void CheckDocumentedEnd(const TRunResult& R, const std::string& Label) {
  EXPECT_FALSE(R.TimedOut) << Label;
  EXPECT_EQ(R.Err, "") << Label;
  EXPECT_TRUE(R.ExitStatus >= 0 && R.ExitStatus <= 3) << Label << ": exit status " << R.ExitStatus;
  if (R.ExitStatus == 1) {
    EXPECT_TRUE(EndsWithReport(R.Out)) << Label << ": status 1 without an error report:\n" << R.Out;
  }
}

// ---------------------------------------------------------------------------
// Trees walked through descriptors: no path given to the system is longer
// than one name, so depth and length are no limit.

// Entries of the directory open as Fd, sorted; true marks a directory.
std::vector<std::pair<std::string, bool>> ListAt(int Fd) {
  const int Dup = ::dup(Fd);
  DIR* Dir = Dup < 0 ? nullptr : ::fdopendir(Dup);
  if (Dir == nullptr)
    Fail("fdopendir");
  ::rewinddir(Dir);
  std::vector<std::pair<std::string, bool>> R;
  while (const dirent* E = ::readdir(Dir)) {
    const std::string Name = E->d_name;
    if (Name == "." || Name == "..")
      continue;
    struct stat St {};
    if (::fstatat(Fd, E->d_name, &St, AT_SYMLINK_NOFOLLOW) != 0) {
      ::closedir(Dir);
      Fail("fstatat " + Name);
    }
    R.emplace_back(Name, S_ISDIR(St.st_mode));
  }
  ::closedir(Dir);
  std::sort(R.begin(), R.end());
  return R;
}

int OpenDirAt(int Fd, const std::string& Name) {
  const int Sub = ::openat(Fd, Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (Sub < 0)
    Fail("openat " + Name);
  return Sub;
}

// Calls Visit(Fd, Name, Rel, IsDir) for every entry below the directory open
// as Fd, a directory after its contents. The walk goes down with openat and
// back up through "..", holding two descriptors at most.
template <typename TVisit> void WalkAt(int& Fd, const std::string& Rel, const TVisit& Visit) {
  for (const auto& [Name, IsDir] : ListAt(Fd)) {
    if (IsDir) {
      int Sub = OpenDirAt(Fd, Name);
      ::close(Fd);
      WalkAt(Sub, Rel + Name + "/", Visit);
      Fd = OpenDirAt(Sub, "..");
      ::close(Sub);
    }
    Visit(Fd, Name, Rel + Name, IsDir);
  }
}

std::string ReadAt(int Fd, const std::string& Name) {
  const int F = ::openat(Fd, Name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (F < 0)
    Fail("openat " + Name);
  std::string R;
  char Buf[65536];
  ssize_t N;
  while ((N = ::read(F, Buf, sizeof Buf)) > 0)
    R.append(Buf, static_cast<size_t>(N));
  ::close(F);
  return R;
}

void WriteAt(int Fd, const std::string& Name, const std::string& Bytes) {
  const int F = ::openat(Fd, Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (F < 0)
    Fail("create " + Name);
  const bool Ok = ::write(F, Bytes.data(), Bytes.size()) == static_cast<ssize_t>(Bytes.size());
  ::close(F);
  if (!Ok)
    Fail("write " + Name);
}

// Enters (creating when needed) the subdirectory Name of the directory open
// as Fd; Fd is closed and the subdirectory returned.
int DescendAt(int Fd, const std::string& Name) {
  if (::mkdirat(Fd, Name.c_str(), 0755) != 0 && errno != EEXIST)
    Fail("mkdirat " + Name);
  const int Sub = OpenDirAt(Fd, Name);
  ::close(Fd);
  return Sub;
}

int OpenRoot(const fs::path& P) {
  const int Fd = ::open(P.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0)
    Fail("open " + P.string());
  return Fd;
}

// Relative name of every entry to the hash of its bytes; directories end in
// "/" and hash to 0.
std::map<std::string, uint64_t> Snapshot(const fs::path& Root) {
  std::map<std::string, uint64_t> R;
  int Fd = OpenRoot(Root);
  WalkAt(Fd, "", [&](int At, const std::string& Name, const std::string& Rel, bool IsDir) {
    if (IsDir)
      R[Rel + "/"] = 0;
    else
      R[Rel] = Fnv1a(ReadAt(At, Name));
  });
  ::close(Fd);
  return R;
}

// How many files below Root hold each content.
std::map<uint64_t, int> Contents(const fs::path& Root) {
  std::map<uint64_t, int> R;
  for (const auto& [Rel, Hash] : Snapshot(Root))
    if (Rel.back() != '/')
      ++R[Hash];
  return R;
}

// A scratch tree that can also remove paths longer than the system accepts.
class TDeepTree : public TTree {
public:
  TDeepTree() = default;
  ~TDeepTree() {
    try {
      int Fd = OpenRoot(Path());
      WalkAt(Fd, "", [](int At, const std::string& Name, const std::string&, bool IsDir) {
        ::unlinkat(At, Name.c_str(), IsDir ? AT_REMOVEDIR : 0);
      });
      ::close(Fd);
    } catch (const std::exception& E) {
      ADD_FAILURE() << "cleanup: " << E.what();
    }
  }
  TDeepTree(const TDeepTree&) = delete;
  TDeepTree& operator=(const TDeepTree&) = delete;
};

// ---------------------------------------------------------------------------
// Two runs over one folder

TEST(ConcurrentRuns, TwoRunsRenamingOneFolderLoseNothing) {
  constexpr int Pairs = 150;
  const std::vector<std::string> Samples = SamplePhotos();
  ASSERT_FALSE(Samples.empty());
  // "aNNN.jpg" and "bNNN.jpg" hold the same date. Every other pair has a
  // date of its own; the rest are copies of the samples, so that new names
  // collide and equal contents are counted.
  std::vector<std::pair<std::string, std::string>> Files;
  for (int I = 0; I < Pairs; ++I) {
    char Date[32];
    std::snprintf(Date, sizeof Date, "2010:01:%02d %02d:%02d:00", 1 + I / 60, I / 60, I % 60);
    const std::string Bytes =
        I % 2 == 0 ? fixture::JpegWithDateTime(Date) : Samples[static_cast<size_t>(I / 2) % Samples.size()];
    for (const char Side : {'a', 'b'}) {
      char Name[16];
      std::snprintf(Name, sizeof Name, "%c%03d.jpg", Side, I);
      Files.emplace_back(Name, Bytes);
    }
  }
  const struct {
    std::vector<std::string> A, B;
  } Rounds[] = {
      // The run that falls behind meets a renamed file and ends.
      {{"*.jpg"}, {"*.jpg"}},
      {{"*.jpg"}, {"/s", "*.jpg"}},
      {{"/t:x", "*.jpg"}, {"/t:x", "*.jpg"}},
      {{"/r", "a*.jpg"}, {"*.jpg"}},
      // Files of their own, new names in common: both race for every name
      // to the end.
      {{"/t:x", "a*.jpg"}, {"/t:x", "b*.jpg"}},
      {{"/t:x", "a*.jpg"}, {"/t:x", "b*.jpg"}},
      {{"/s", "/t:x", "a*.jpg"}, {"/s", "/t:x", "b*.jpg"}},
  };
  for (const auto& Round : Rounds) {
    const std::string Label = testing::PrintToString(Round.A) + " with " + testing::PrintToString(Round.B);
    TTree T;
    for (const auto& [Name, Bytes] : Files)
      T.Put(Name, Bytes);
    const auto Before = Contents(T.Path());

    TRunResult RA, RB;
    std::latch Start(2);
    const auto Run = [&](const std::vector<std::string>& Args, TRunResult& R) {
      Start.arrive_and_wait();
      R = runner::RunProgram(SNAPSTAMP_EXE, Args, T.Path());
    };
    std::thread TA(Run, std::cref(Round.A), std::ref(RA));
    std::thread TB(Run, std::cref(Round.B), std::ref(RB));
    TA.join();
    TB.join();

    EXPECT_EQ(Contents(T.Path()), Before) << Label;
    for (const auto& [R, Args] : {std::pair{&RA, &Round.A}, std::pair{&RB, &Round.B}}) {
      CheckDocumentedEnd(*R, Label);
      // A file renamed under a run ends it with the open error; nothing else may.
      if (R->ExitStatus != 0) {
        EXPECT_NE(R->Out.find("Exception EFOpenError in module snapstamp.\nCannot open file "),
                  std::string::npos)
            << Label << "\n"
            << R->Out;
        continue;
      }
      EXPECT_TRUE(EndsWith(R->Out, " file(s) renamed.\n")) << Label << "\n" << R->Out;
      // It renamed every photo it listed, and the other run only renames.
      for (const auto& [Name, Bytes] : Files) {
        if (app::MatchMask(Name, Args->back())) {
          EXPECT_FALSE(fs::exists(T.Path() / Name)) << Label << ": " << Name << " was not renamed";
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Trees a path cannot name

constexpr int DeepLevels = 1000;
// Levels of the chain of long names; the last holds a photo that can still
// be reached, the three below it cannot.
constexpr int LongLevels = 20;
constexpr size_t LastReachable = 3950; // length of its absolute path

// Builds "long/" below the root: LongLevels directories whose absolute path
// reaches LastReachable bytes, then three more; photos in level 1, in the
// last reachable level and in two below it. Returns the relative names of
// the levels, or an empty list when the scratch root is too long for it.
std::vector<std::string> BuildLongChain(const TTree& T, int Levels, const std::vector<int>& PhotoAt,
                                        const std::string& PhotoName) {
  const size_t Base = T.Path().string().size() + std::string("/long").size();
  const size_t Rest = static_cast<size_t>(LongLevels - 1) * 201;
  if (Base + 1 + Rest + 1 > LastReachable)
    return {};
  const size_t FirstLen = LastReachable - Base - 1 - Rest;
  if (FirstLen > 255)
    return {};
  std::vector<std::string> Dirs;
  std::string Rel = "long";
  int Fd = DescendAt(OpenRoot(T.Path()), "long");
  for (int Level = 1; Level <= Levels; ++Level) {
    const std::string Name(Level == 1 ? FirstLen : 200, 'x');
    Fd = DescendAt(Fd, Name);
    Rel += "/" + Name;
    Dirs.push_back(Rel);
    if (std::find(PhotoAt.begin(), PhotoAt.end(), Level) != PhotoAt.end())
      WriteAt(Fd, PhotoName, Photo);
  }
  ::close(Fd);
  EXPECT_EQ(T.Path().string().size() + 1 + Dirs[LongLevels - 1].size(), LastReachable);
  return Dirs;
}

TEST(HostileTree, RecursiveRunRenamesWhatItCanReachAndNothingElse) {
  TDeepTree T;
  const std::vector<int> DeepPhotos{1, 10, 500, DeepLevels};
  {
    int Fd = OpenRoot(T.Path());
    for (int Level = 1; Level <= DeepLevels; ++Level) {
      Fd = DescendAt(Fd, "d");
      if (std::find(DeepPhotos.begin(), DeepPhotos.end(), Level) != DeepPhotos.end())
        WriteAt(Fd, "p.jpg", Photo);
    }
    ::close(Fd);
  }
  const std::vector<std::string> Long =
      BuildLongChain(T, LongLevels + 3, {1, LongLevels, LongLevels + 1, LongLevels + 3}, "p.jpg");
  if (Long.empty())
    GTEST_SKIP() << "the scratch directory name is too long: " << T.Path();
  const std::string OddName = "\xff\xfe\n";
  const std::string LongName(240, 'n');
  T.Put(OddName + ".jpg", Photo);
  T.Put(LongName + ".jpg", Photo); // its new name exceeds the longest file name
  const auto Before = Snapshot(T.Path());

  const TRunResult R =
      runner::RunProgram(SNAPSTAMP_EXE, {"/r", "*.jpg"}, T.Path(), {}, std::chrono::seconds(60));
  CheckDocumentedEnd(R, "recursive run");

  // The listing puts "d" before "p.jpg" and "p.jpg" before "xxx...".
  std::string Out;
  auto After = Before;
  const auto Renamed = [&](const std::string& Dir) {
    const std::string Old = Dir.empty() ? "p.jpg" : Dir + "/p.jpg";
    const std::string New = Dir.empty() ? "p" + D + ".jpg" : Dir + "/p" + D + ".jpg";
    Out += New + "\n";
    ASSERT_EQ(After.erase(Old), 1U) << Old;
    After[New] = Fnv1a(Photo);
  };
  for (auto It = DeepPhotos.rbegin(); It != DeepPhotos.rend(); ++It) {
    std::string Dir = "d";
    for (int I = 1; I < *It; ++I)
      Dir += "/d";
    Renamed(Dir);
  }
  Renamed(Long[0]);
  Renamed(Long[LongLevels - 1]);
  Out += "Error, can't rename " + LongName + ".jpg to " + LongName + D + ".jpg: File name too long\n";
  Out += OddName + D + ".jpg\n";
  After.erase(OddName + ".jpg");
  After[OddName + D + ".jpg"] = Fnv1a(Photo);
  Out += "       7 file(s) renamed.\n";

  EXPECT_EQ(R.ExitStatus, 0);
  EXPECT_EQ(R.Out, Out);
  EXPECT_EQ(Snapshot(T.Path()), After);
}

TEST(HostileTree, FileBeyondTheLongestPathEndsTheRunWithAReport) {
  TDeepTree T;
  T.Put("a.jpg", Photo);
  T.Put("z.jpg", Photo);
  // The directory can be listed; the photo in it cannot be opened by name.
  const std::string TooLong = "q" + std::string(195, 'x') + ".jpg";
  const std::vector<std::string> Long = BuildLongChain(T, LongLevels, {LongLevels}, TooLong);
  if (Long.empty())
    GTEST_SKIP() << "the scratch directory name is too long: " << T.Path();
  const auto Before = Snapshot(T.Path());

  const TRunResult R = runner::RunProgram(SNAPSTAMP_EXE, {"/r", "*.jpg"}, T.Path());
  CheckDocumentedEnd(R, "recursive run");
  EXPECT_EQ(R.ExitStatus, 1);
  EXPECT_EQ(R.Out, "a" + D + ".jpg\nException EFOpenError in module snapstamp.\nCannot open file " +
                       T.Path().string() + "/" + Long[LongLevels - 1] + "/" + TooLong + ".\n");
  auto After = Before;
  After.erase("a.jpg");
  After["a" + D + ".jpg"] = Fnv1a(Photo);
  EXPECT_EQ(Snapshot(T.Path()), After);
}

// ---------------------------------------------------------------------------
// Broken photos

// Damaged copies of the samples: cut short, bits flipped, pieces
// overwritten, repeated or taken out, markers, segment lengths and TIFF
// offsets replaced by hostile values. The same every time.
std::vector<std::string> BrokenCorpus() {
  const std::vector<std::string> Samples = SamplePhotos();
  std::mt19937 Rng(20260611); // its output is fixed by the standard
  const auto Next = [&] { return static_cast<uint32_t>(Rng()); };
  // Every draw is its own statement or sequenced: the corpus must not
  // depend on the compiler's order of evaluating arguments.
  const auto Below = [&](size_t N) { return N == 0 ? 0 : static_cast<size_t>(Next() % N); };
  // Where the metadata lives: most damage goes there.
  const auto Head = [&](const std::string& S) { return std::min<size_t>(S.size(), 2048); };
  const auto Tiff = [](const std::string& S) {
    const size_t P = S.find(std::string("Exif\0\0", 6));
    return P == std::string::npos ? 0 : P + 6;
  };
  const auto Store = [](std::string& S, size_t At, uint32_t V, int Bytes, bool BigEndian) {
    for (int I = 0; I < Bytes && At + static_cast<size_t>(I) < S.size(); ++I) {
      const int Shift = 8 * (BigEndian ? Bytes - 1 - I : I);
      S[At + static_cast<size_t>(I)] = static_cast<char>(V >> Shift);
    }
  };
  const uint32_t Hostile[] = {0, 1, 2, 7, 8, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFF};

  const auto Mutate = [&](std::string& S, int Kind) {
    switch (Kind) {
    case 0: { // bit flips
      const size_t N = 1 + Below(8);
      for (size_t I = 0; I < N && !S.empty(); ++I) {
        const size_t At = Below(Head(S));
        S[At] = static_cast<char>(S[At] ^ (1 << Below(8)));
      }
      break;
    }
    case 1: { // a piece overwritten with noise, zeros or 0xFF
      const size_t At = Below(Head(S));
      const size_t Len = std::min(S.size() - At, 1 + Below(64));
      const int Fill = static_cast<int>(Below(3));
      for (size_t I = At; I < At + Len; ++I)
        S[I] = static_cast<char>(Fill == 0 ? Next() : Fill == 1 ? 0 : 0xFF);
      break;
    }
    case 2: { // a piece repeated elsewhere
      const size_t At = Below(Head(S));
      const std::string Piece = S.substr(At, 1 + Below(256));
      S.insert(Below(Head(S) + 1), Piece);
      break;
    }
    case 3: { // a piece taken out
      const size_t At = Below(Head(S));
      S.erase(At, 1 + Below(128));
      break;
    }
    case 4: { // a marker or a segment length replaced
      std::vector<size_t> Markers;
      for (size_t I = 0; I + 1 < Head(S); ++I)
        if (static_cast<unsigned char>(S[I]) == 0xFF && S[I + 1] != 0 &&
            static_cast<unsigned char>(S[I + 1]) != 0xFF)
          Markers.push_back(I);
      if (Markers.empty())
        break;
      const size_t M = Markers[Below(Markers.size())];
      if (Below(2) == 0)
        S[M + 1] = static_cast<char>(Next());
      else
        Store(S, M + 2, Below(2) == 0 ? Hostile[Below(std::size(Hostile))] : Next(), 2, true);
      break;
    }
    default: { // a TIFF word or long replaced by a hostile value
      const size_t Base = Tiff(S);
      if (Base == 0 || Base + 8 >= S.size())
        break;
      const bool Big = S[Base] == 'M';
      const size_t At = Base + (Below(4) == 0 ? 4 : 2 * Below(std::min<size_t>(S.size() - Base, 1024) / 2));
      const uint32_t V = Below(3) == 0 ? Next() : Hostile[Below(std::size(Hostile))];
      Store(S, At, V, Below(2) == 0 ? 2 : 4, Big);
      break;
    }
    }
  };

  std::vector<std::string> Corpus;
  for (const std::string& Sample : Samples) {
    const size_t Tiff0 = Tiff(Sample);
    // Cut inside the markers (once: every sample starts alike), inside the
    // Exif header, in the TIFF header, in IFD0 and at random lengths.
    if (Corpus.empty())
      for (size_t Cut = 0; Cut < 6; ++Cut)
        Corpus.push_back(Sample.substr(0, Cut));
    for (const size_t Cut : {Tiff0 - 7, Tiff0 - 1, Tiff0 + 2, Tiff0 + 8, Tiff0 + 9, Tiff0 + 10 + Below(200),
                             Below(Head(Sample)), Below(Sample.size())})
      Corpus.push_back(Sample.substr(0, Cut));
    for (int Kind = 0; Kind < 6; ++Kind)
      for (int Copy = 0; Copy < 2; ++Copy) {
        std::string S = Sample;
        Mutate(S, Kind);
        Corpus.push_back(std::move(S));
      }
    for (int Copy = 0; Copy < 3; ++Copy) { // several kinds of damage at once
      std::string S = Sample;
      for (size_t N = 2 + Below(3); N > 0; --N)
        Mutate(S, static_cast<int>(Below(6)));
      Corpus.push_back(std::move(S));
    }
  }
  return Corpus;
}

std::string CorpusName(size_t I) {
  char Name[32]; // room for any size_t
  std::snprintf(Name, sizeof Name, "b%03zu.jpg", I);
  return Name;
}

// The corpus index a line of output names at its start, or -1.
int NamedIndex(std::string_view Line) {
  for (const std::string_view Prefix : {"Information for: ", "File: ", "Error, can't rename "})
    if (Line.substr(0, Prefix.size()) == Prefix) {
      Line.remove_prefix(Prefix.size());
      break;
    }
  if (Line.size() < 4 || Line[0] != 'b')
    return -1;
  int N = 0;
  for (size_t I = 1; I < 4; ++I) {
    if (Line[I] < '0' || Line[I] > '9')
      return -1;
    N = N * 10 + (Line[I] - '0');
  }
  return N;
}

constexpr auto CorpusTimeout = std::chrono::seconds(20);

// Mask runs of Args over the corpus in "work/" until one completes. A run
// that ends with an error report stopped at the first file after the last
// one its output names; that file, those before it and whatever the run
// made are moved to "done/", and the rest are run again.
void RunMaskOverCorpus(const TTree& T, size_t Count, const std::vector<std::string>& Args) {
  const fs::path Work = T.Path() / "work";
  const fs::path Done = T.Path() / "done";
  fs::create_directories(Done);
  size_t First = 0; // no file before this one is left in work/
  for (int Run = 0; First < Count; ++Run) {
    ASSERT_LT(Run, static_cast<int>(Count) + 1);
    const TRunResult R = runner::RunProgram(SNAPSTAMP_EXE, Args, Work, {}, CorpusTimeout);
    const std::string Label = testing::PrintToString(Args) + " from " + CorpusName(First);
    CheckDocumentedEnd(R, Label);
    EXPECT_TRUE(R.ExitStatus == 0 || R.ExitStatus == 1) << Label;
    if (R.ExitStatus == 0) {
      EXPECT_TRUE(EndsWith(R.Out, " file(s) printed.\n") || EndsWith(R.Out, " file(s) renamed.\n")) << Label;
      First = Count;
    } else {
      int Last = -1;
      for (size_t P = 0; P < R.Out.size();) {
        const size_t E = std::min(R.Out.find('\n', P), R.Out.size());
        Last = std::max(Last, NamedIndex(std::string_view(R.Out).substr(P, E - P)));
        P = E + 1;
      }
      size_t Stop = Last < 0 ? First : static_cast<size_t>(Last) + 1;
      while (Stop < Count && !fs::exists(Work / CorpusName(Stop)))
        ++Stop;
      First = Stop + 1;
    }
    for (const auto& E : fs::directory_iterator(Work)) {
      const std::string Name = E.path().filename().string();
      const int I = NamedIndex(Name);
      if (I >= 0 && static_cast<size_t>(I) >= First && Name == CorpusName(static_cast<size_t>(I)))
        continue;
      ASSERT_FALSE(fs::exists(Done / Name)) << Name;
      fs::rename(E.path(), Done / Name);
    }
  }
}

// Each corpus file is met by a list run and by a rename run; the second
// test also checks that renames keep every content.
TEST(BrokenPhotos, ListMaskRunsEndWithADocumentedStatus) {
  const std::vector<std::string> Corpus = BrokenCorpus();
  TTree T;
  for (size_t I = 0; I < Corpus.size(); ++I)
    T.Put("work/" + CorpusName(I), Corpus[I]);
  const auto Before = Snapshot(T.Path());
  RunMaskOverCorpus(T, Corpus.size(), {"/i", "*.jpg"});
  auto After = Snapshot(T.Path());
  for (size_t I = 0; I < Corpus.size(); ++I) // moved by the test, not the program
    EXPECT_EQ(After.extract("done/" + CorpusName(I)).mapped(), Before.at("work/" + CorpusName(I)));
  EXPECT_EQ(After, (std::map<std::string, uint64_t>{{"done/", 0}, {"work/", 0}}));
}

TEST(BrokenPhotos, RenameMaskRunsLoseNothing) {
  const std::vector<std::string> Corpus = BrokenCorpus();
  TTree T;
  for (size_t I = 0; I < Corpus.size(); ++I)
    T.Put("work/" + CorpusName(I), Corpus[I]);
  const auto Before = Contents(T.Path());
  RunMaskOverCorpus(T, Corpus.size(), {"*.jpg"});
  EXPECT_EQ(Contents(T.Path()), Before);
}

TEST(BrokenPhotos, SingleFileRunsEndWithADocumentedStatusAndLoseNothing) {
  const std::vector<std::string> Corpus = BrokenCorpus();
  TTree T;
  std::map<uint64_t, int> Expected;
  for (size_t I = 0; I < Corpus.size(); I += 5) { // a fifth is enough: mask runs meet every file
    const std::string Name = CorpusName(I);
    T.Put(Name, Corpus[I]);
    ++Expected[Fnv1a(Corpus[I])];
    for (const std::vector<std::string>& Args : {std::vector<std::string>{"/i", Name}, {Name}}) {
      const TRunResult R = runner::RunProgram(SNAPSTAMP_EXE, Args, T.Path(), {}, CorpusTimeout);
      CheckDocumentedEnd(R, testing::PrintToString(Args));
    }
  }
  EXPECT_EQ(Contents(T.Path()), Expected);
}

} // namespace

#endif
