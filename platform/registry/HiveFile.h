// The file that really holds a hive, and what belongs to it: the lock that
// serialises every writer of that file, the temporaries of its saves, and the
// journal of a save written in place. A hive reached through a symbolic link
// has all of these beside the file the link leads to, so that every device
// sharing one file shares them too.
#pragma once

#include "text/Result.h"

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform::registry {

// The largest registry file the device reads, writes or imports.
inline constexpr std::size_t max_hive_size = std::size_t { 64 } << 20;

struct HiveFile {
    // `path` itself, or the file a symbolic link there leads to.
    std::filesystem::path file;
    // `path` is a symbolic link that leads to no file (the errno of the
    // attempt to follow it): a save refuses it rather than create a file.
    int link_error = 0;

    // <name without its extension>.lock beside the file: registry.lock for
    // a device's own registry.reg.
    std::filesystem::path lock_path() const;
    // <name>.tmp-: the start of the name of a save's temporary file.
    std::string temporary_prefix() const;
    // <name>.journal: the new text of a save written in place, whole and
    // flushed before the file itself is touched.
    std::filesystem::path journal_path() const;
};

HiveFile hive_file(std::filesystem::path const& path);

// A flock on a hive's lock file, held for as long as the object lives. The
// file is opened without following a symbolic link and without blocking;
// when it is missing and `create` is set it is made with the mode of `like`
// (without execute bits) and, for root, its owner, so that every user of the
// hive can still open it; one that is missing and not made is ENOENT.
class HiveLock {
public:
    enum class Kind { shared, exclusive };
    HiveLock(std::filesystem::path const& path, Kind kind, struct stat const& like, bool create);
    ~HiveLock();
    HiveLock(HiveLock const&) = delete;
    HiveLock& operator=(HiveLock const&) = delete;

    // Whether the lock is held, or why not in words: a symbolic link (ELOOP),
    // a lock that is not a regular file (EINVAL), or the errno that stopped it.
    Result<void> const& status() const { return m_status; }

private:
    void fail(int code);

    int m_fd = -1;
    Result<void> m_status;
};

// An open file of a hive and its status; the caller closes it.
struct OpenHive {
    int fd = -1;
    struct stat st {};
};

// A hive file read whole: its bytes, and the file, still open.
struct HiveText {
    std::vector<char> bytes;
    OpenHive file;
};

// Reads the whole of `path`, which must be a regular file of at most `limit`
// bytes: opened without blocking, so a FIFO is refused, never waited on. The
// error says what was wrong in words where the errno alone would not ("it is
// a FIFO, not a regular file", "it holds 3221225472 bytes, more than the
// 67108864 the device keeps"), with the errno behind it.
Result<HiveText> read_hive_file(std::filesystem::path const& path, std::size_t limit);

// Reads the open file `fd` to its end, appending to `bytes`, but never more
// than `limit` bytes in all; fails with EFBIG once more would come, or with
// the errno of a read that failed.
Result<void> read_to_end(int fd, std::size_t limit, std::vector<char>& bytes);

// Gives the open file `fd` the mode and owner of `like`. False when the
// owner (or group) could not be given: a file replaced by it would then
// change hands.
bool copy_mode_and_owner(int fd, struct stat const& like);

// Copies the whole of the open file `from` over the file at `to`, in place
// (its other names see the new text), then truncates it, gives it a
// modification time later than its last one and flushes it. Gives the file,
// open, and its status.
Result<OpenHive> write_in_place(int from, std::filesystem::path const& to);

}
