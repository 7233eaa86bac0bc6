#include <gtest/gtest.h>

#include "foundation/string_table_data.h"

TEST(StringTable, EmbedsTheMessageFiles) {
    EXPECT_GE(ob7::kStringTableSourceCount, 1);
}
