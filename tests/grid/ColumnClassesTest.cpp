#include "FakeGrid.h"

#include <gtest/gtest.h>
