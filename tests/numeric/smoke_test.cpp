#include <gtest/gtest.h>

#include "numeric/density.hpp"

TEST(Density, StandardNormalAtZero) {
    EXPECT_DOUBLE_EQ(coswitch::dnorm(0.0, 0.0, 1.0), 1.0 / 2.5066282143923915);
}
