#pragma once
// Where the packer reports: progress to `out`, and warnings, notes and errors
// (as "FILE:LINE: warning: ...") to `problems`; on the command line these are
// standard output and standard error.

#include <iosfwd>

struct TPackLog {
  std::ostream& out;
  std::ostream& problems;
};
