#pragma once
// The one error type of the packer: its message is what the user reads.

#include <stdexcept>
#include <string>

class TPackError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
