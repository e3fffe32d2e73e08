#include "exif/vxFileStream.h"

#include "ExifFixture.h"
#include "rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

constexpr uint16_t OpenMode = 0x20;

// Runs Read and expects it to raise rtl::Exception "Out of bounds".
template <typename F> void ExpectOutOfBounds(F&& Read) {
  try {
    Read();
    ADD_FAILURE() << "no error raised";
  } catch (const rtl::Exception& E) {
    EXPECT_EQ(E.Message(), "Out of bounds");
  }
}

// Byte I of the pattern file: distinct enough to spot a misplaced window.
char PatternByte(size_t I) { return static_cast<char>((I * 7 + I / 256) & 0xFF); }

std::string Pattern(size_t Size) {
  std::string S(Size, '\0');
  for (size_t I = 0; I < Size; ++I)
    S[I] = PatternByte(I);
  return S;
}

class FileStreamTest : public ::testing::Test {
protected:
  fixture::TTempDir Temp;
};

TEST_F(FileStreamTest, EmptyFileIsEofAndEveryReadFails) {
  TvxFileStream S(Temp.File("empty", ""), OpenMode);
  EXPECT_TRUE(S.Eof());
  EXPECT_EQ(S.GetByteOrder(), 1);
  ExpectOutOfBounds([&] { S.ReadByte(); });
  ExpectOutOfBounds([&] { S.ReadByteAt(0); });
  EXPECT_EQ(S.GetPosition(), 0);
}

TEST_F(FileStreamTest, LastByteReadsAndTheOneAfterFailsKeepingPosition) {
  TvxFileStream S(Temp.File("three", "\x01\x02\x03"), OpenMode);
  EXPECT_FALSE(S.Eof());
  EXPECT_EQ(S.ReadByteAt(2), 3);
  EXPECT_EQ(S.GetPosition(), 3);
  ExpectOutOfBounds([&] { S.ReadByte(); });
  EXPECT_EQ(S.GetPosition(), 3);
  // The failed load read nothing: Eof holds until a load reads bytes again.
  EXPECT_TRUE(S.Eof());
  std::string Buf(2, '?');
  EXPECT_EQ(S.ReadBytes(Buf, 2), 0);
  EXPECT_EQ(Buf, "??");
  EXPECT_EQ(S.ReadByteAt(0), 1);
  EXPECT_FALSE(S.Eof());
}

TEST_F(FileStreamTest, WordAndLongFollowByteOrder) {
  struct TCase {
    uint8_t ByteOrder;
    uint16_t Word;
    uint32_t Long;
  };
  for (const TCase& C : {TCase{1, 0x1234, 0x12345678}, TCase{0, 0x3412, 0x78563412}}) {
    SCOPED_TRACE(int{C.ByteOrder});
    TvxFileStream S(Temp.File("order", "\x12\x34\x56\x78"), OpenMode);
    S.SetByteOrder(C.ByteOrder);
    EXPECT_EQ(S.ReadWord(), C.Word);
    S.SetPosition(0);
    EXPECT_EQ(static_cast<uint32_t>(S.ReadLong()), C.Long);
    EXPECT_EQ(S.GetPosition(), 4);
  }
}

TEST_F(FileStreamTest, LongIsSignedAndWordUnsigned) {
  TvxFileStream S(Temp.File("ff", "\xFF\xFF\xFF\xFF"), OpenMode);
  EXPECT_EQ(S.ReadLong(), -1);
  S.SetPosition(0);
  EXPECT_EQ(S.ReadWord(), 0xFFFF);
}

TEST_F(FileStreamTest, ValuesStraddlingTheWindowEdgeReadAsInOnePiece) {
  const std::string Bytes = Pattern(3000);
  const auto Name = Temp.File("pattern", Bytes);
  for (uint8_t Order : {uint8_t{0}, uint8_t{1}})
    for (int32_t At : {1021, 1022, 1023}) {
      SCOPED_TRACE(testing::Message() << "order " << int{Order} << " at " << At);
      // One stream reads through the edge of the first window, the other
      // starts its window at the value.
      TvxFileStream Edge(Name, OpenMode), Fresh(Name, OpenMode);
      Edge.SetByteOrder(Order);
      Fresh.SetByteOrder(Order);
      Edge.ReadByteAt(0);
      Fresh.ReadByteAt(At);
      Edge.SetPosition(At);
      Fresh.SetPosition(At);
      EXPECT_EQ(Edge.ReadLong(), Fresh.ReadLong());
      Edge.SetPosition(At);
      Fresh.SetPosition(At);
      EXPECT_EQ(Edge.ReadWord(), Fresh.ReadWord());
    }
  TvxFileStream S(Name, OpenMode);
  S.SetPosition(1023);
  const uint16_t Expected =
      static_cast<uint16_t>(static_cast<uint8_t>(Bytes[1023]) << 8 | static_cast<uint8_t>(Bytes[1024]));
  EXPECT_EQ(S.ReadWord(), Expected);
}

TEST_F(FileStreamTest, WindowReloadsExactlyAtTheRequestedPosition) {
  const std::string Bytes = Pattern(5000);
  TvxFileStream S(Temp.File("pattern", Bytes), OpenMode);
  EXPECT_EQ(S.GetWindowStart(), 0);
  EXPECT_EQ(S.GetWindowCount(), 1024);
  // Inside the window nothing is reloaded.
  EXPECT_EQ(S.ReadByteAt(1023), static_cast<uint8_t>(Bytes[1023]));
  EXPECT_EQ(S.GetWindowStart(), 0);
  // Outside it the window starts at the position, without alignment.
  EXPECT_EQ(S.ReadByteAt(3333), static_cast<uint8_t>(Bytes[3333]));
  EXPECT_EQ(S.GetWindowStart(), 3333);
  EXPECT_EQ(S.GetWindowCount(), 1024);
  EXPECT_EQ(S.ReadByteAt(4999), static_cast<uint8_t>(Bytes[4999]));
  EXPECT_EQ(S.GetWindowStart(), 4999);
  EXPECT_EQ(S.GetWindowCount(), 1);
  EXPECT_EQ(S.ReadByteAt(100), static_cast<uint8_t>(Bytes[100]));
  EXPECT_EQ(S.GetWindowStart(), 100);
}

TEST_F(FileStreamTest, SequentialReadsMatchTheFile) {
  const std::string Bytes = Pattern(2500);
  TvxFileStream S(Temp.File("pattern", Bytes), OpenMode);
  std::string Read(Bytes.size(), '\0');
  EXPECT_EQ(S.ReadBytes(Read, static_cast<int32_t>(Read.size())), 2500);
  EXPECT_EQ(Read, Bytes);
  EXPECT_EQ(S.GetPosition(), 2500);
}

TEST_F(FileStreamTest, ReadBytesOfLengthZeroStoresNothing) {
  TvxFileStream S(Temp.File("abc", "abc"), OpenMode);
  std::string Buf;
  EXPECT_EQ(S.ReadBytes(Buf, 0), 0);
  EXPECT_EQ(S.GetPosition(), 0);
}

TEST_F(FileStreamTest, ReadBytesPastTheEndFails) {
  TvxFileStream S(Temp.File("abc", "abc"), OpenMode);
  std::string Buf(4, '\0');
  ExpectOutOfBounds([&] { S.ReadBytes(Buf, 4); });
  EXPECT_EQ(Buf.substr(0, 3), "abc");
}

TEST_F(FileStreamTest, UnreachablePositionsAreAcceptedAndTheNextReadFails) {
  TvxFileStream S(Temp.File("abc", "abc"), OpenMode);
  for (const int64_t Far : {int64_t{3}, int64_t{1'000'000}, int64_t{INT32_MAX}, int64_t{1} << 32,
                            int64_t{1} << 40, int64_t{-1}, int64_t{INT32_MIN}, -(int64_t{1} << 40)}) {
    SCOPED_TRACE(Far);
    EXPECT_NO_THROW(S.SetPosition(Far));
    ExpectOutOfBounds([&] { S.ReadByte(); });
    S.SetPosition(0);
    EXPECT_EQ(S.ReadByte(), 'a');
  }
}

TEST_F(FileStreamTest, NegativePositionFailsWithoutTouchingTheWindow) {
  TvxFileStream S(Temp.File("abc", "abc"), OpenMode);
  S.ReadByteAt(1);
  ExpectOutOfBounds([&] { S.ReadByteAt(-1); });
  EXPECT_EQ(S.GetWindowStart(), 0);
  EXPECT_EQ(S.GetWindowCount(), 3);
  EXPECT_FALSE(S.Eof());
  EXPECT_EQ(S.GetPosition(), 2);
}

TEST_F(FileStreamTest, EofLooksAtTheLastLoadNotAtPosition) {
  TvxFileStream S(Temp.File("abc", "abc"), OpenMode);
  S.SetPosition(100);
  EXPECT_FALSE(S.Eof());
  ExpectOutOfBounds([&] { S.ReadByte(); });
  EXPECT_TRUE(S.Eof());
  S.SetPosition(0);
  EXPECT_TRUE(S.Eof());
}

TEST_F(FileStreamTest, FilesThatCannotBeOpenedRaiseEFOpenError) {
  const auto Missing = (Temp.Path() / "missing.jpg").string();
  const auto Dir = Temp.Path().string();
  for (const auto& Name : {Missing, Dir, std::string("/dev/null")}) {
    if (Name == "/dev/null" && !std::filesystem::exists(Name))
      continue;
    SCOPED_TRACE(Name);
    try {
      TvxFileStream S(Name, OpenMode);
      ADD_FAILURE() << "opened";
    } catch (const rtl::EFOpenError& E) {
      EXPECT_EQ(E.Message(), "Cannot open file " + Name);
    }
  }
}

} // namespace
