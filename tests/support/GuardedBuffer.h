// Memory for a parser under test to read from, set between two pages that no
// one may touch: a read past either end of the data faults at once, so a
// parser that strays fails its test in every build, not only under a sanitizer.
#pragma once

#include <cstddef>
#include <span>

namespace test_support {

class GuardedBuffer {
public:
    // Room for data of up to `capacity` bytes.
    explicit GuardedBuffer(std::size_t capacity);
    ~GuardedBuffer();
    GuardedBuffer(GuardedBuffer const&) = delete;
    GuardedBuffer& operator=(GuardedBuffer const&) = delete;

    std::size_t capacity() const { return m_capacity; }

    // A copy of `data` whose last byte is the last one before the guard page
    // that follows it; the previous copy is gone.
    std::span<unsigned char const> at_end(std::span<unsigned char const> data);
    // A copy of `data` whose first byte is the first one after the guard page
    // before it.
    std::span<unsigned char const> at_start(std::span<unsigned char const> data);

private:
    unsigned char* m_mapping { nullptr };
    std::size_t m_mapping_size { 0 };
    unsigned char* m_usable { nullptr };
    std::size_t m_capacity { 0 };
};

}
