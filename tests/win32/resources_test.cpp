#include "package/win_Resources.h"

#include <gtest/gtest.h>

TEST(ReadResource, MissingResourceGivesFalse) {
  Bytes data = "stale";
  EXPECT_FALSE(ReadResource(GetModuleHandleA(nullptr), "NOSUCHRESOURCE", kPayloadType, data));
  EXPECT_TRUE(data.empty());
}

TEST(ReadFileResource, MissingFileGivesFalse) {
  Bytes data;
  EXPECT_FALSE(ReadFileResource("C:\\no\\such\\file.exe", kScriptResource, kPayloadType, data));
}
