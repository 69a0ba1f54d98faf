#pragma once
// The one error type of the packer: its message is what the user reads, and
// where it is known, the file and line it is about ("setup.ini:12"), which
// the command line puts in front as compilers do.

#include <stdexcept>
#include <string>

class TPackError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  TPackError(std::string where, const std::string& text) : std::runtime_error(text), where_(std::move(where)) {}

  const std::string& Where() const { return where_; }

private:
  std::string where_;
};
