#include "classlib/runtime/Set.h"

#include <gtest/gtest.h>

#include <vector>

enum TColorKind { ckRed, ckGreen, ckBlue, ckAlpha };
using TColorKinds = Set<TColorKind>;

TEST(Set, IncludeExcludeContainsAndIterateInOrder) {
    TColorKinds s{ckBlue, ckRed};
    EXPECT_TRUE(s.Contains(ckRed));
    EXPECT_FALSE(s.Contains(ckGreen));
    s.Include(ckAlpha).Exclude(ckRed);
    std::vector<TColorKind> members(s.begin(), s.end());
    EXPECT_EQ(members, (std::vector<TColorKind>{ckBlue, ckAlpha}));
    EXPECT_EQ(s.Count(), 2u);
    EXPECT_TRUE(TColorKinds{}.Empty());
    EXPECT_EQ((TColorKinds{ckRed, ckGreen} * TColorKinds{ckGreen}), TColorKinds{ckGreen});
    EXPECT_TRUE(TColorKinds{ckGreen} <= (TColorKinds{ckRed, ckGreen}));
}
