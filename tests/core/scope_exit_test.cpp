#include "scope_exit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace quill {
namespace {

TEST(ScopeExit, RunsOnceWhenTheScopeIsLeftAlsoByAnException) {
    std::vector<int> order;
    {
        const ScopeExit second([&] { order.push_back(2); });
        const ScopeExit first([&] { order.push_back(1); });
        order.push_back(0);
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

    int left = 0;
    EXPECT_THROW(
        {
            const ScopeExit count([&] { ++left; });
            throw std::runtime_error("leaves the scope");
        },
        std::runtime_error);
    EXPECT_EQ(left, 1);
}

}  // namespace
}  // namespace quill
