// The record of lost writes, for the whole process. No lock: the device is
// single-threaded, and every write is made on the program's one thread.
#include "registry/LostWrites.h"

#include "registry/RegistryStore.h"
#include "text/ErrorWords.h"
#include "winerror.h"

namespace platform::registry {

namespace {

struct Record {
    std::vector<LostWrite> kept;
    std::size_t count = 0;
};

Record& record()
{
    static Record instance;
    return instance;
}

}

void record_lost_write(std::string what, std::string why)
{
    auto& r = record();
    for (auto const& lost : r.kept) {
        if (lost.what == what)
            return;
    }
    ++r.count;
    if (r.kept.size() < max_recorded_lost_writes)
        r.kept.push_back({ std::move(what), std::move(why) });
}

bool is_storage_failure(LONG status)
{
    switch (status) {
    case ERROR_REGISTRY_CORRUPT:
    case ERROR_REGISTRY_IO_FAILED:
    case ERROR_DISK_FULL:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_LOCK_VIOLATION:
        return true;
    default:
        return false;
    }
}

std::string storage_failure_reason(LONG status)
{
    std::string const& problem = RegistryStore::current().last_problem();
    if (!problem.empty())
        return problem;
    return platform::text::error_words(static_cast<DWORD>(status));
}

std::vector<LostWrite> const& lost_writes()
{
    return record().kept;
}

std::size_t lost_write_count()
{
    return record().count;
}

void clear_lost_writes()
{
    record() = {};
}

}
