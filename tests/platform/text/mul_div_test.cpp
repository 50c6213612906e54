// MulDiv: the 64-bit product, rounding to nearest with halves away from zero
// whatever the signs, and -1 for a zero divisor or a result beyond an int;
// and floor_div, which rounds down.
#include "text/Rounding.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <climits>

TEST(MulDiv, RoundsAndRefusesAsTheKernelDoes)
{
    struct Case {
        char const* label;
        int number, numerator, denominator;
        int result;
    } const cases[] = {
        { "exact", 12, 3, 4, 9 },
        { "dialog units to pixels", 7, 13, 8, 11 },
        { "rounds down below a half", 4, 1, 3, 1 },
        { "rounds up above a half", 5, 1, 3, 2 },
        { "a half goes up", 1, 1, 2, 1 },
        { "a negative half goes down", -1, 1, 2, -1 },
        { "a half by a negative divisor", 5, 1, -2, -3 },
        { "two negatives make a positive half", -7, 1, -2, 4 },
        { "zero", 0, 5, 3, 0 },
        { "the product needs 64 bits", INT_MAX, INT_MAX, INT_MAX, INT_MAX },
        { "a 64-bit product scaled back", 100000, 100000, 1000000, 10000 },
        { "the smallest int fits", INT_MIN, 1, 1, INT_MIN },
        { "the smallest int squared and back", INT_MIN, INT_MIN, INT_MIN, INT_MIN },
        { "the smallest int negated overflows", INT_MIN, -1, 1, -1 },
        { "too large", INT_MAX, 2, 1, -1 },
        { "too small", INT_MIN, 2, 1, -1 },
        { "zero divisor", 10, 2, 0, -1 },
        { "zero divisor, zero product", 0, 0, 0, -1 },
    };
    for (auto const& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.result) << c.label;
}

// Rounding down, MulDiv's sibling for coordinates left of or above an origin.
TEST(FloorDiv, RoundsTowardsMinusInfinityWhateverTheSigns)
{
    struct Case {
        long long num, den, result;
    } const cases[] = {
        { 7, 2, 3 }, { -7, 2, -4 }, { 7, -2, -4 }, { -7, -2, 3 },
        { 6, 3, 2 }, { -6, 3, -2 }, { 0, 5, 0 }, { -1, 4, -1 },
    };
    for (auto const& c : cases)
        EXPECT_EQ(platform::text::floor_div(c.num, c.den), c.result) << c.num << " / " << c.den;
    static_assert(platform::text::floor_div(-1, 3) == -1);
}
