// Result: a value or an Error, never both, and what each side keeps.
#include "text/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

using platform::Error;
using platform::Result;

TEST(Result, HoldsTheValueItWasMadeWith)
{
    Result<std::string> const made = std::string("abc");
    ASSERT_TRUE(made.has_value());
    EXPECT_TRUE(static_cast<bool>(made));
    EXPECT_EQ(*made, "abc");
    EXPECT_EQ(made->size(), 3u);
}

TEST(Result, HoldsTheErrorAndItsCode)
{
    Result<int> const failed = Error { "cannot read \"x\": No such file or directory", ENOENT };
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error().message, "cannot read \"x\": No such file or directory");
    EXPECT_EQ(failed.error().code, ENOENT);
}

TEST(Result, AValueThatOnlyMovesComesOut)
{
    Result<std::unique_ptr<int>> made = std::make_unique<int>(7);
    std::unique_ptr<int> const taken = std::move(made).value();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 7);
}

TEST(Result, AnActionSucceedsUnlessGivenAnError)
{
    Result<void> const done;
    EXPECT_TRUE(done.has_value());

    Result<void> const refused = Error { "the device directory is read-only" };
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error().message, "the device directory is read-only");
    EXPECT_EQ(refused.error().code, 0);
}
