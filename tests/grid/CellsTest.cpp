#include "FakeGrid.h"
#include <gtest/gtest.h>
TEST(Columns, Placeholder2)
{
    FakeGrid g;
    EXPECT_EQ(g.columns->Count(), 0);
}
