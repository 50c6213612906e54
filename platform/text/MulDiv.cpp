// MulDiv, the kernel's scaling of one number by a fraction, as dialog units
// become pixels and pixels become a zoomed screen's.
#include "windows.h"

#include <cstdint>
#include <limits>

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0)
        return -1;
    std::int64_t const product = static_cast<std::int64_t>(nNumber) * nNumerator;
    bool const negative = (product < 0) != (nDenominator < 0);
    // Magnitudes as unsigned, so that neither INT_MIN nor the largest product
    // overflows on the way; the quotient is at most 2^62 + 1/2, which fits.
    std::uint64_t const dividend = product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
    std::uint64_t const divisor = nDenominator < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(nDenominator))
                                                   : static_cast<std::uint64_t>(nDenominator);
    std::uint64_t const rounded = (dividend + divisor / 2) / divisor;
    std::uint64_t const largest = negative ? std::uint64_t { 1 } << 31 : std::numeric_limits<int>::max();
    if (rounded > largest)
        return -1;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(rounded)) : static_cast<int>(rounded);
}
