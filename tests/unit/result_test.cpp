#include "actions/u_Result.h"

#include <gtest/gtest.h>

#include <memory>

TEST(TResult, OfTellsTheSameFailureOfAnotherItem) {
  const TResult failed(112, "", "the disk is full");
  const TResult told = failed.Of("C:\\App\\a.dll");
  EXPECT_FALSE(told);
  EXPECT_EQ(told.Code(), 112u);
  EXPECT_EQ(told.Item(), "C:\\App\\a.dll");
  EXPECT_EQ(told.Reason(), "the disk is full");
  EXPECT_TRUE(TResult().Of("C:\\App\\a.dll")) << "success stays success";
  EXPECT_EQ(TResult().Of("C:\\App\\a.dll").Item(), "");
}

TEST(TOutcome, HoldsTheValueOrTheFailure) {
  TOutcome<std::unique_ptr<int>> value(std::make_unique<int>(7));
  ASSERT_TRUE(value);
  EXPECT_EQ(**value, 7);
  EXPECT_TRUE(value.Failure()) << "a value is a success";
  const std::unique_ptr<int> taken = std::move(*value);  // a value that only moves
  EXPECT_EQ(*taken, 7);

  const TOutcome<std::string> failed(TResult(5, "key", "access is denied"));
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Failure().Code(), 5u);
  EXPECT_EQ(failed.Failure().Item(), "key");
  EXPECT_EQ(failed.Failure().Reason(), "access is denied");
}
