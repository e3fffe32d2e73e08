#include "Console.h"

#include "Exceptions.h"
#include "FileNames.h"

#include <new>
#include <string>

namespace rtl {

// Implemented per platform: writes all of Data to standard output.
bool WriteStdout(std::string_view Data);

namespace {

constexpr size_t FlushThreshold = 64 * 1024;

struct TOutput {
  std::string Buffer;
  bool Ok = true;
  ~TOutput() { FlushBuffer(); }
  void FlushBuffer() {
    if (!Buffer.empty() && Ok)
      Ok = WriteStdout(Buffer);
    Buffer.clear();
  }
};

TOutput& Output() {
  static TOutput Instance;
  return Instance;
}

} // namespace

void WriteLine(std::string_view Text) { WriteLine({Text}); }

void WriteLine(std::initializer_list<std::string_view> Pieces) {
  TOutput& O = Output();
  for (const std::string_view Piece : Pieces)
    O.Buffer.append(Piece);
  O.Buffer.append(LineEnd);
  if (O.Buffer.size() >= FlushThreshold)
    O.FlushBuffer();
}

void Flush() { Output().FlushBuffer(); }

bool OutputOk() { return Output().Ok; }

void ShowException(const std::exception& E) {
  std::string ClassName = "Exception";
  std::string Message = E.what();
  if (const auto* RE = dynamic_cast<const Exception*>(&E)) {
    ClassName = RE->ClassName();
  } else if (dynamic_cast<const std::bad_alloc*>(&E) != nullptr) {
    ClassName = "EOutOfMemory";
    Message = "Out of memory";
  }
  WriteLine("Exception " + ClassName + " in module snapstamp.");
  WriteLine(Message + ".");
  Flush();
}

} // namespace rtl
