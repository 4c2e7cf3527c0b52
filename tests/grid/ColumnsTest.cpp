#include "FakeGrid.h"
#include <gtest/gtest.h>
TEST(Columns, Placeholder)
{
    FakeGrid g;
    EXPECT_EQ(g.columns->Count(), 0);
}
