// Buffered standard output: lines are collected and written in large blocks,
// and flushed before an error report and at exit.
#pragma once

#include <exception>
#include <initializer_list>
#include <string_view>

namespace rtl {

// Writes Text followed by the platform's line end.
void WriteLine(std::string_view Text);
// Writes the pieces one after the other, then the line end.
void WriteLine(std::initializer_list<std::string_view> Pieces);
void Flush();
// False once a write to standard output has failed.
bool OutputOk();

// The report for an error nothing caught: a line naming the error's class
// and a line with its message ending in a full stop.
void ShowException(const std::exception& E);

} // namespace rtl
