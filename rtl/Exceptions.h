// Error classes of the run-time layer. Every error carries a message text;
// ClassName() names the class in the report for an uncaught error.
#pragma once

#include <exception>
#include <string>

namespace rtl {

class Exception : public std::exception {
public:
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}

  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

private:
  std::string FMessage;
};

// Raised when a file cannot be opened.
class EFOpenError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EFOpenError"; }
};

// Raised when reading an open file fails.
class EReadError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EReadError"; }
};

} // namespace rtl
