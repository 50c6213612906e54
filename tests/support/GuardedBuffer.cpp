// The guarded buffer: an anonymous mapping whose first and last pages are made
// inaccessible.
#include "GuardedBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace test_support {

GuardedBuffer::GuardedBuffer(std::size_t capacity)
{
    auto const page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::size_t const usable = (capacity + page - 1) / page * page;
    m_mapping_size = usable + 2 * page;
    void* const mapping = ::mmap(nullptr, m_mapping_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::bad_alloc();
    m_mapping = static_cast<unsigned char*>(mapping);
    if (::mprotect(m_mapping, page, PROT_NONE) != 0 || ::mprotect(m_mapping + page + usable, page, PROT_NONE) != 0) {
        ::munmap(m_mapping, m_mapping_size);
        throw std::bad_alloc();
    }
    m_usable = m_mapping + page;
    m_capacity = usable;
}

GuardedBuffer::~GuardedBuffer()
{
    ::munmap(m_mapping, m_mapping_size);
}

std::span<unsigned char const> GuardedBuffer::at_end(std::span<unsigned char const> data)
{
    if (data.size() > m_capacity)
        std::abort();
    unsigned char* const start = m_usable + m_capacity - data.size();
    if (!data.empty())
        std::memcpy(start, data.data(), data.size());
    return { start, data.size() };
}

std::span<unsigned char const> GuardedBuffer::at_start(std::span<unsigned char const> data)
{
    if (data.size() > m_capacity)
        std::abort();
    if (!data.empty())
        std::memcpy(m_usable, data.data(), data.size());
    return { m_usable, data.size() };
}

}
