#include <gtest/gtest.h>

#include <cstring>

#include "platform/table_memory.h"

using namespace kelvane;

namespace {

TEST(TableMemory, IsZeroAndWholeForSmallAndHugePageSizes) {
  // Below a page, an odd size past a huge page (mapped larger and cut), and two huge pages.
  for (const size_t bytes : {size_t{24}, (size_t{3} << 20) + 5, size_t{4} << 20}) {
    SCOPED_TRACE(bytes);
    auto* p = static_cast<unsigned char*>(TableMemory(bytes));
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[bytes / 2], 0);
    EXPECT_EQ(p[bytes - 1], 0);
    std::memset(p, 0xAB, bytes);  // every byte can be written
    EXPECT_EQ(p[bytes - 1], 0xAB);
    FreeTableMemory(p, bytes);
  }
}

}  // namespace
