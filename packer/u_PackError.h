#pragma once
// The one error type of the packer: its message is what the user reads, and
// where it is known, the file and line it is about ("setup.ini:12"), which
// the command line puts in front as compilers do. It carries both as a
// TResult: the place is its item, the message its reason.

#include <exception>
#include <string>
#include <utility>

#include "actions/u_Result.h"

class TPackError : public std::exception {
public:
  explicit TPackError(std::string text) : TPackError({}, std::move(text)) {}
  TPackError(std::string where, std::string text) : failure_(kErrorPackFailed, std::move(where), std::move(text)) {}
  // A failure (never a success) that ends the run, told of its item.
  explicit TPackError(TResult failure) : failure_(std::move(failure)) {}

  const char* what() const noexcept override { return failure_.Reason().c_str(); }
  const std::string& Where() const { return failure_.Item(); }
  const TResult& Failure() const { return failure_; }

private:
  TResult failure_;
};
