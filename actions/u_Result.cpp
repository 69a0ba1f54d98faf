#include "actions/u_Result.h"

namespace {
const std::string kNoText;
}  // namespace

TResult::TResult(uint32_t code, std::string item, std::string reason)
    : failure_(new TFailure{code, std::move(item), std::move(reason)}) {}

TResult::TResult(const TResult& other) : failure_(other.failure_ ? new TFailure(*other.failure_) : nullptr) {}

TResult& TResult::operator=(const TResult& other) {
  if (this != &other) *this = TResult(other);
  return *this;
}

void TResult::TFailureDeleter::operator()(TFailure* failure) const { delete failure; }

const std::string& TResult::Item() const { return failure_ ? failure_->item : kNoText; }

const std::string& TResult::Reason() const { return failure_ ? failure_->reason : kNoText; }

TResult TResult::Of(std::string item) const {
  if (!failure_) return {};
  return {failure_->code, std::move(item), failure_->reason};
}
