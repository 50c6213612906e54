// The file behind a hive: following its link, locking it, reading it without
// blocking, and the two ways of putting a new text in it.
#include "registry/HiveFile.h"

#include "text/FileKind.h"
#include "text/WriteAll.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace platform::registry {

HiveFile hive_file(std::filesystem::path const& path)
{
    HiveFile hive { path };
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return hive;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) {
        hive.link_error = errno;
        return hive;
    }
    hive.file = real;
    std::free(real);
    return hive;
}

std::filesystem::path HiveFile::lock_path() const
{
    return file.parent_path() / (file.stem().string() + ".lock");
}

std::string HiveFile::temporary_prefix() const
{
    return file.filename().string() + ".tmp-";
}

std::filesystem::path HiveFile::journal_path() const
{
    return file.parent_path() / (file.filename().string() + ".journal");
}

HiveLock::HiveLock(std::filesystem::path const& path, Kind kind, struct stat const& like, bool create)
{
    // Never through a symbolic link: a link planted here would otherwise
    // have its target created, wherever it points.
    int const flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    m_fd = ::open(path.c_str(), O_RDWR | flags);
    if (m_fd < 0 && errno == ENOENT && create) {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, 0600);
        if (m_fd >= 0) {
            if (::geteuid() == 0)
                (void)::fchown(m_fd, like.st_uid, like.st_gid);
            (void)::fchmod(m_fd, like.st_mode & 0666);
        } else if (errno == EEXIST) {
            m_fd = ::open(path.c_str(), O_RDWR | flags);
        }
    }
    // A lock that is not ours to write is still ours to lock.
    if (m_fd < 0 && (errno == EACCES || errno == EROFS))
        m_fd = ::open(path.c_str(), O_RDONLY | flags);
    if (m_fd < 0) {
        fail(errno);
        return;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(EINVAL);
        return;
    }
    while (::flock(m_fd, kind == Kind::exclusive ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR) {
            fail(errno);
            return;
        }
    }
}

void HiveLock::fail(int code)
{
    m_status = Error { code == ELOOP ? "it is a symbolic link, which the store does not follow"
                           : code == EINVAL ? "it is not a plain file"
                                            : std::strerror(code),
                       code };
}

HiveLock::~HiveLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

static std::string size_problem(std::size_t size, std::size_t limit)
{
    return "it holds " + std::to_string(size) + " bytes, more than the " + std::to_string(limit)
        + " the device keeps";
}

static Error errno_error(int code)
{
    return Error { std::strerror(code), code };
}

Result<HiveText> read_hive_file(std::filesystem::path const& path, std::size_t limit)
{
    HiveText text;
    struct stat& st = text.file.st;
    int& fd = text.file.fd;
    // Looked at before it is opened: opening a device can do something.
    if (::stat(path.c_str(), &st) != 0)
        return errno_error(errno);
    auto refuse = [&](int code, std::string reason) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        return Error { reason.empty() ? std::strerror(code) : std::move(reason), code };
    };
    if (!S_ISREG(st.st_mode))
        return refuse(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, "it is " + platform::text::file_kind(st.st_mode) + ", not a regular file");
    if (static_cast<std::size_t>(st.st_size) > limit)
        return refuse(EFBIG, size_problem(static_cast<std::size_t>(st.st_size), limit));
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno_error(errno);
    if (::fstat(fd, &st) != 0)
        return refuse(errno, {});
    if (!S_ISREG(st.st_mode))
        return refuse(EINVAL, "it is " + platform::text::file_kind(st.st_mode) + ", not a regular file");
    text.bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
    if (auto read = read_to_end(fd, limit, text.bytes); !read)
        return refuse(read.error().code, read.error().code == EFBIG ? "it grew beyond the " + std::to_string(limit)
                                                 + " bytes the device keeps while it was read"
                                                                    : std::string());
    return text;
}

Result<void> read_to_end(int fd, std::size_t limit, std::vector<char>& bytes)
{
    char buffer[65536];
    for (;;) {
        ssize_t const got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno_error(errno);
        if (got == 0)
            return {};
        if (bytes.size() + static_cast<std::size_t>(got) > limit)
            return Error { "more than " + std::to_string(limit) + " bytes", EFBIG };
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

bool copy_mode_and_owner(int fd, struct stat const& like)
{
    struct stat mine {};
    if (::fstat(fd, &mine) != 0)
        return false;
    if ((mine.st_uid != like.st_uid || mine.st_gid != like.st_gid) && ::fchown(fd, like.st_uid, like.st_gid) != 0) {
        (void)::fchown(fd, static_cast<uid_t>(-1), like.st_gid); // the group at least, where it may be given
        if (::fstat(fd, &mine) != 0)
            return false;
    }
    // After the owner, which clears the set-user-ID and set-group-ID bits.
    bool const mode = ::fchmod(fd, like.st_mode & 07777) == 0;
    return mode && mine.st_uid == like.st_uid && mine.st_gid == like.st_gid;
}

Result<OpenHive> write_in_place(int from, std::filesystem::path const& to)
{
    int fd = ::open(to.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno_error(errno);
    auto fail = [&](int code) {
        ::close(fd);
        return errno_error(code);
    };
    struct stat before {};
    if (::fstat(fd, &before) != 0)
        return fail(errno);
    if (!S_ISREG(before.st_mode))
        return fail(EINVAL);
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        ssize_t got = ::pread(from, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno);
        if (got == 0)
            break;
        if (!platform::text::write_all_raw_at(fd, buffer, static_cast<std::size_t>(got), offset))
            return fail(errno);
        offset += got;
    }
    if (::ftruncate(fd, offset) != 0)
        return fail(errno);
    // The file keeps its inode, so readers tell its versions apart by size
    // and modification time; a clock tick can hold several saves, hence a
    // time strictly later than the last one where the owner may set it.
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec < before.st_mtim.tv_sec
        || (now.tv_sec == before.st_mtim.tv_sec && now.tv_nsec <= before.st_mtim.tv_nsec)) {
        now = before.st_mtim;
        if (++now.tv_nsec >= 1000000000) {
            now.tv_nsec = 0;
            ++now.tv_sec;
        }
    }
    timespec times[2] = { { 0, UTIME_OMIT }, now };
    if (::futimens(fd, times) != 0) {
        times[1] = { 0, UTIME_NOW };
        (void)::futimens(fd, times);
    }
    OpenHive written { fd, {} };
    if (::fsync(fd) != 0 || ::fstat(fd, &written.st) != 0)
        return fail(errno);
    return written;
}

}
