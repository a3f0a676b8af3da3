#include <gtest/gtest.h>

#include "support/run_program.hpp"

using namespace coswitch::testing;

TEST(WholeProgram, SameAnswersAndInputsGiveIdenticalFiles) {
    ScratchDir a, b;
    for (const ScratchDir* d : {&a, &b}) write_synthetic_inputs(d->path(), 6, 2, 3, false);
    const auto ra = run_program(a.path(), answers('G', 6, 2, 4, 3));
    const auto rb = run_program(b.path(), answers('G', 6, 2, 4, 3));
    ASSERT_EQ(ra.status, 0) << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.err;
    EXPECT_EQ(read_file(a / "output.txt"), read_file(b / "output.txt"));
    EXPECT_EQ(read_file(a / "pvalue.txt"), read_file(b / "pvalue.txt"));
}
