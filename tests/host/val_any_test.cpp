// The tagged value of the host interface: its byte layout, and the exception
// the core library throws for a wrong type.
#include <gtest/gtest.h>

#include <cstring>

#include "host/core.h"

namespace {

TEST(ValAny, LayoutAndBadAccess) {
  const core::ValAny flag(true);
  unsigned char bytes[sizeof(core::ValAny)];
  std::memcpy(bytes, &flag, sizeof bytes);
  uint32_t tag = 0;
  std::memcpy(&tag, bytes + 8, sizeof tag);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(tag, 1u);
  EXPECT_TRUE(flag.AsBool());

  const core::ValAny number(int64_t{5});
  try {
    (void)number.AsBool();
    FAIL() << "no exception";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "ValAny Bad Access");
    EXPECT_NE(dynamic_cast<const core::AnyBadAccess*>(&error), nullptr);
  }
}

}  // namespace
