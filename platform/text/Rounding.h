// Integer division that rounds down, for the places that map a coordinate
// which may lie left of or above the origin onto whole cells or pixels.
// Rounding to the nearest is the kernel's MulDiv.
#pragma once

namespace platform::text {

// num / den rounded towards minus infinity, for either sign of each; den must
// not be zero.
constexpr long long floor_div(long long num, long long den)
{
    long long const quotient = num / den;
    return (num % den != 0 && (num < 0) != (den < 0)) ? quotient - 1 : quotient;
}

}
