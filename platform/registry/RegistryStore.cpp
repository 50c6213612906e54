/*
 * The registry store: the device's whole registry in one text file,
 * <device directory>/registry.reg, kept safe against crashes and against other
 * processes using the same device.
 *
 * The file format
 * ---------------
 * The .reg syntax of regedit's "Windows Registry Editor Version 5.00" files,
 * in UTF-8 without a byte-order mark and with LF line ends, as RegFile.h
 * describes it. A file the parser cannot read whole makes the registry
 * unusable: the store then reports the file and the line once on standard
 * error, fails every call with ERROR_REGISTRY_CORRUPT and never writes the
 * file until it has been repaired (or removed, which starts an empty
 * registry).
 *
 * Saving and sharing
 * ------------------
 * Every change is saved before the call that made it returns: the new text
 * goes to a temporary file beside the old one (registry.reg.tmp-XXXXXX), which
 * gets the old file's mode and owner, is flushed to disk, renamed over
 * registry.reg, and the directory flushed too. A process killed at any moment
 * thus leaves the old file or the new one; temporary files left behind by
 * killed processes are removed by the next save.
 * When registry.reg is a symbolic link, the save goes through it: the new file
 * is written beside the file the link leads to and renamed over that one, so
 * the link stays; a link that leads to no file is refused, never followed to
 * create one. Everything else that belongs to the file (its lock, its
 * temporaries, its journal) lives beside the file really written too, so that
 * devices whose links lead to one file share one lock.
 * A file that a rename would not keep whole (one with other names, which
 * would go on showing the old text, or one whose owner the writer cannot
 * give a new file) is written in place instead: the new text is first made
 * durable as registry.reg.journal (written, flushed, renamed, the directory
 * flushed), then copied over the file, which is flushed, and the journal is
 * removed. A journal that is there means a save was cut short: readers take
 * its text for the file's, and the next change first copies it in.
 * Changes are read-modify-write under an exclusive flock on registry.lock
 * (<name>.lock beside a linked file; opened without following a symbolic
 * link), and the file is read again whenever it is another file than the one
 * last read (its device and inode) or that file's size or modification time
 * changed, so that processes sharing the device never lose each other's
 * changes. A save in place gives the file a modification time later than its
 * last one. The file last read is kept open, so its inode cannot be reused for
 * another file meanwhile. Readers take a shared flock where the lock exists,
 * so they never read a file that is being written in place; the rename makes
 * each file they open whole otherwise.
 * registry.reg must be a regular file of at most max_hive_size bytes: a FIFO,
 * a device or a larger file is refused with one message, never opened.
 *
 * The file is parsed once per process and then only when it changed; a change
 * is made in the tree in memory and the whole file written anew, streamed in
 * pieces. When the save fails, the tree is thrown away and read again from the
 * file that stayed in place.
 */
#include "registry/RegistryStore.h"

#include "registry/DeviceDirectory.h"
#include "registry/HiveFile.h"
#include "registry/RegFile.h"
#include "text/FileKind.h"
#include "text/TerminalText.h"
#include "text/WriteAll.h"
#include "winerror.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace platform::registry {

// Versions are unique across every store of the process, so that what was
// found in one store's tree is never taken for part of another's.
static std::uint64_t next_version()
{
    static std::uint64_t last = 0;
    return ++last;
}

// No lock around the store or its statics: the device is single-threaded, and
// every registry function runs on the program's one thread.
RegistryStore& RegistryStore::current()
{
    static std::unique_ptr<RegistryStore> store;
    // Compared as the environment spells it: cheaper than comparing paths,
    // and a different spelling of the same directory only costs a reload.
    static std::string spelling;
    static std::string environment;
    char const* dir = std::getenv("CE_DEVICE_DIR");
    char const* data_home = std::getenv("XDG_DATA_HOME");
    char const* home = std::getenv("HOME");
    environment.clear();
    for (char const* part : { dir, data_home, home }) {
        environment += part ? part : "";
        environment += '\0';
    }
    if (!store || environment != spelling) {
        auto directory = device_directory_path();
        if (!store || store->directory() != directory)
            store = std::make_unique<RegistryStore>(directory);
        spelling = environment;
    }
    return *store;
}

RegistryStore::RegistryStore(std::filesystem::path directory)
    : m_directory(std::move(directory))
    , m_file_path(m_directory / "registry.reg")
    , m_tree(make_empty_tree())
{
}

static bool g_problem_reported = false;

bool RegistryStore::any_problem_reported()
{
    return g_problem_reported;
}

void RegistryStore::forget_reported_problems()
{
    g_problem_reported = false;
}

void RegistryStore::report(std::string message)
{
    g_problem_reported = true;
    // Paths and names in the message come from the environment and the file.
    message = platform::text::escape_terminal_controls(message);
    m_last_problem = message;
    for (auto const& reported : m_reported) {
        if (reported == message)
            return;
    }
    std::fprintf(stderr, "registry: %s\n", message.c_str());
    std::fflush(stderr);
    m_reported.push_back(std::move(message));
}

LONG RegistryStore::prepare_directory()
{
    struct stat st {};
    if (m_directory_ready && ::stat(m_directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return ERROR_SUCCESS;
    m_directory_ready = false;
    if (auto made = make_device_directory(m_directory); !made) {
        report(made.error().message);
        return ERROR_PATH_NOT_FOUND;
    }
    m_directory_ready = true;
    return ERROR_SUCCESS;
}

static LONG error_for_errno(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

bool RegistryStore::FileIdentity::operator==(FileIdentity const& other) const
{
    return device == other.device && inode == other.inode && size == other.size
        && modified_seconds == other.modified_seconds && modified_nanoseconds == other.modified_nanoseconds;
}

static RegistryStore::FileIdentity identity_of(struct stat const& st)
{
    return { static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
             static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
             static_cast<std::int64_t>(st.st_mtim.tv_nsec) };
}

// A path for a message: whole when short, else a marked excerpt.
static std::string shown(std::filesystem::path const& path)
{
    return platform::text::excerpt_for_terminal(path.string());
}

void RegistryStore::forget_file()
{
    if (m_pinned_fd >= 0)
        ::close(m_pinned_fd);
    m_pinned_fd = -1;
    m_loaded = false;
}

RegistryStore::~RegistryStore()
{
    forget_file();
}

LONG RegistryStore::refresh()
{
    // One look at the file per call while it is there: a file found proves
    // its directory, which is only looked at (and made) when it is not.
    auto const& path = m_file_path;
    struct stat st {};
    int code = ::stat(path.c_str(), &st) == 0 ? 0 : errno;
    if (code != 0 || !m_directory_ready) {
        if (LONG status = prepare_directory())
            return status;
        if (code != 0)
            code = ::stat(path.c_str(), &st) == 0 ? 0 : errno;
    }
    if (code != 0) {
        if (code == ENOENT) {
            if (!m_loaded || m_file_exists) {
                forget_file();
                m_version = next_version();
                m_tree = make_empty_tree();
                m_file_exists = false;
                m_state = ERROR_SUCCESS;
                m_loaded = true;
            }
            return ERROR_SUCCESS;
        }
        forget_file();
        report("cannot read " + shown(path) + ": " + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    if (m_loaded && m_file_exists && identity_of(st) == m_identity)
        return m_state;

    forget_file();
    // A file that its writer cannot replace (it has other names, or an owner
    // the writer cannot give a new file) is written in place (see save): its
    // readers wait for the writer under a shared lock, and read the journal
    // of a save that a crash left unfinished, which holds the text the file
    // is being given. Where no lock has ever been made, no writer has been.
    std::optional<HiveLock> shared;
    std::filesystem::path source = path;
    if (S_ISREG(st.st_mode) && !m_exclusive) {
        HiveFile const hive = hive_file(path);
        shared.emplace(hive.lock_path(), HiveLock::Kind::shared, st, st.st_nlink > 1);
        struct stat journal {};
        if (shared->status() && ::lstat(hive.journal_path().c_str(), &journal) == 0 && S_ISREG(journal.st_mode))
            source = hive.journal_path();
    }
    auto read = read_hive_file(source, max_hive_size);
    if (!read && read.error().code == ENOENT && source == path)
        return refresh(); // replaced between the two looks
    if (!read) {
        report("cannot read " + shown(path) + ": " + read.error().message);
        return ERROR_REGISTRY_IO_FAILED;
    }
    std::vector<char> bytes = std::move(read->bytes);
    int const fd = read->file.fd;
    st = read->file.st;
    if (source != path)
        (void)::stat(path.c_str(), &st); // the versions are the file's own
    m_pinned_fd = fd;
    m_identity = identity_of(st);
    m_file_exists = true;
    m_loaded = true;
    ++m_file_reads;
    m_version = next_version();

    m_tree = make_empty_tree();
    auto parsed = parse_reg_tree(std::span(reinterpret_cast<BYTE const*>(bytes.data()), bytes.size()), m_tree);
    if (!parsed) {
        m_state = ERROR_REGISTRY_CORRUPT;
        m_tree = make_empty_tree();
        report("cannot parse " + shown(path) + ", " + parsed.error().message
               + "; the file is left as it is, and the registry is unusable until it is repaired or removed");
        return m_state;
    }
    m_state = ERROR_SUCCESS;
    return m_state;
}

LONG RegistryStore::read(std::function<void(RegistryKey const& tree)> const& reader)
{
    if (LONG status = refresh())
        return status;
    reader(m_tree);
    return ERROR_SUCCESS;
}

LONG RegistryStore::modify(std::function<LONG(RegistryKey& tree, bool& changed)> const& change)
{
    if (LONG status = prepare_directory())
        return status;
    // The lock of the file really written: every device that reaches it,
    // through a link or not, takes the same one.
    HiveFile hive = hive_file(m_file_path);
    std::optional<HiveLock> lock;
    for (int attempt = 0;; ++attempt) {
        // A new lock takes the mode and owner of the file, or of its
        // directory while there is no file yet.
        struct stat like {};
        bool const exists = ::stat(hive.file.c_str(), &like) == 0;
        if (exists && !S_ISREG(like.st_mode)) {
            // No lock is made beside a device or a FIFO.
            report("cannot read " + shown(m_file_path) + ": it is " + platform::text::file_kind(like.st_mode)
                   + ", not a regular file");
            return ERROR_REGISTRY_IO_FAILED;
        }
        if (!exists)
            (void)::stat(hive.file.parent_path().empty() ? "." : hive.file.parent_path().c_str(), &like);
        lock.emplace(hive.lock_path(), HiveLock::Kind::exclusive, like, true);
        if (!lock->status()) {
            report("cannot lock " + shown(hive.lock_path()) + ": " + lock->status().error().message);
            return ERROR_LOCK_VIOLATION;
        }
        // The link may have been pointed elsewhere while this waited.
        HiveFile now = hive_file(m_file_path);
        if (now.file == hive.file) {
            hive = std::move(now);
            break;
        }
        if (attempt == 8)
            break; // a link that keeps moving: the file locked is the one written
        hive = std::move(now);
    }
    m_exclusive = true;
    struct Unlocked {
        bool& exclusive;
        ~Unlocked() { exclusive = false; }
    } unlocked { m_exclusive };

    if (LONG status = finish_journal(hive))
        return status;
    if (LONG status = refresh())
        return status;
    bool changed = false;
    m_version = next_version();
    if (LONG status = change(m_tree, changed)) {
        if (changed)
            forget_file(); // whatever it did is read back from the file
        return status;
    }
    if (!changed)
        return ERROR_SUCCESS;
    LONG status = save(m_tree, hive);
    if (status != ERROR_SUCCESS && !m_saved)
        forget_file(); // the tree holds a change the file does not
    return status;
}

static void remove_stale_temporaries(std::filesystem::path const& directory, std::string const& prefix)
{
    DIR* dir = ::opendir(directory.c_str());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

namespace {

// Writes the formatted text to a file through a buffer of its own; the first
// error stops every later write.
class FileSink final : public RegTextSink {
public:
    explicit FileSink(int fd)
        : m_fd(fd)
    {
    }

    void write(char const* bytes, std::size_t size) override
    {
        if (m_error)
            return;
        if (m_buffer.size() + size > buffer_size) {
            (void)flush(); // its error stays for the last flush to give
            if (size >= buffer_size) {
                write_out(bytes, size);
                return;
            }
        }
        m_buffer.append(bytes, size);
    }

    // Writes what is buffered; fails with the first error of any write.
    Result<void> flush()
    {
        if (!m_buffer.empty()) {
            write_out(m_buffer.data(), m_buffer.size());
            m_buffer.clear();
        }
        if (m_error)
            return Error { std::strerror(m_error), m_error };
        return {};
    }

private:
    void write_out(char const* bytes, std::size_t size)
    {
        if (!m_error && !platform::text::write_all_raw(m_fd, bytes, size))
            m_error = errno;
    }

    static constexpr std::size_t buffer_size = 1 << 16;
    int m_fd;
    int m_error = 0; // the errno of the first write that failed
    std::string m_buffer;
};

}

// A save that a crash cut short while it wrote a file with several names in
// place left its whole new text in the journal: that text is put in place
// before anything else is done with the file.
LONG RegistryStore::finish_journal(HiveFile const& hive)
{
    auto const journal = hive.journal_path();
    int const from = ::open(journal.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (from < 0 && errno == ENOENT)
        return ERROR_SUCCESS;
    if (from < 0) {
        int const code = errno;
        report("cannot read " + shown(journal) + ", the unfinished save of " + shown(hive.file) + ": "
               + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    struct stat st {};
    int const code = ::fstat(from, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EINVAL : 0;
    auto written = code != 0 ? Result<OpenHive>(Error { std::strerror(code), code }) : write_in_place(from, hive.file);
    ::close(from);
    if (!written && written.error().code == ENOENT) {
        // The file itself was removed since: its last text goes with it.
        ::unlink(journal.c_str());
        return ERROR_SUCCESS;
    }
    if (!written) {
        report("cannot finish the save of " + shown(hive.file) + " that " + shown(journal) + " holds: "
               + written.error().message);
        return error_for_errno(written.error().code);
    }
    ::close(written->fd);
    ::unlink(journal.c_str());
    (void)sync_directory(hive.file.parent_path());
    return ERROR_SUCCESS;
}

// Flushes a directory's entries (a rename, a removal) to disk; a failure is
// reported as well as returned.
Result<void> RegistryStore::sync_directory(std::filesystem::path const& directory)
{
    int dir_fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0 || ::fsync(dir_fd) != 0) {
        int code = errno;
        if (dir_fd >= 0)
            ::close(dir_fd);
        report("cannot flush the directory " + shown(directory) + ": " + std::strerror(code));
        return Error { std::strerror(code), code };
    }
    ::close(dir_fd);
    return {};
}

LONG RegistryStore::save(RegistryKey const& tree, HiveFile const& hive)
{
    m_saved = false;
    if (hive.link_error) {
        report("cannot save " + shown(m_file_path) + ": it is a symbolic link that leads to no file ("
               + std::strerror(hive.link_error) + "); the link is kept");
        return error_for_errno(hive.link_error);
    }
    auto const& target = hive.file;
    auto const target_directory = target.parent_path();
    // Only the holder of this file's lock writes its temporaries, so any
    // found now are left over from a process that died while saving.
    remove_stale_temporaries(target_directory.empty() ? "." : target_directory, hive.temporary_prefix());
    struct stat old {};
    bool const existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        report("cannot save " + shown(m_file_path) + ": it is " + platform::text::file_kind(old.st_mode)
               + ", not a regular file; it is left as it is");
        return ERROR_REGISTRY_IO_FAILED;
    }
    std::string temp = (target_directory / hive.temporary_prefix()).string() + "XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    auto fail = [&](int code, char const* step) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        report("cannot save " + shown(m_file_path) + " (" + step + "): " + std::strerror(code)
               + "; the previous file is kept");
        return error_for_errno(code);
    };
    if (fd < 0) {
        int code = errno;
        report("cannot save " + shown(m_file_path) + " (creating a temporary file): " + std::strerror(code)
               + "; the previous file is kept");
        return error_for_errno(code);
    }
    // The new file is the old one's in all but its text: its mode, its owner.
    // When it cannot have the owner, or the old file has other names that a
    // rename would leave behind, the text goes into the old file in place.
    bool in_place = false;
    if (existed)
        in_place = !copy_mode_and_owner(fd, old) || old.st_nlink > 1;
    FileSink sink(fd);
    write_reg_tree(tree, RegFileEncoding::Utf8Lf, sink);
    if (auto written = sink.flush(); !written)
        return fail(written.error().code, "writing");
    if (::fsync(fd) != 0)
        return fail(errno, "flushing");
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(errno, "flushing");
    if (static_cast<std::size_t>(st.st_size) > max_hive_size)
        return fail(EFBIG, "writing");

    if (!in_place) {
        if (::rename(temp.c_str(), target.c_str()) != 0)
            return fail(errno, "renaming");
    } else {
        // In place, safely: the whole new text is first made durable as the
        // journal, which readers and the next writer take for the file's
        // text until the file holds it; only then is the file overwritten.
        auto const journal = hive.journal_path();
        if (::rename(temp.c_str(), journal.c_str()) != 0)
            return fail(errno, "renaming");
        temp = journal.string();
        if (auto synced = sync_directory(target_directory); !synced)
            return fail(synced.error().code, "flushing");
        auto written = write_in_place(fd, target);
        if (!written) {
            // The journal stands: the change is kept, and put in place by the
            // next save or change.
            ::close(fd);
            report("cannot write " + shown(target) + " in place: " + written.error().message + "; its new text is kept in "
                   + shown(journal) + " until it can be");
            forget_file();
            m_saved = true;
            ++m_saves;
            return ERROR_SUCCESS;
        }
        ::close(fd);
        fd = written->fd;
        st = written->st;
        ::unlink(journal.c_str());
    }

    // The new file is the one the tree now stands for; it stays open, like a
    // file that was read.
    forget_file();
    m_pinned_fd = fd;
    m_identity = identity_of(st);
    m_file_exists = true;
    m_state = ERROR_SUCCESS;
    m_loaded = true;
    m_saved = true;
    ++m_saves;
    if (!sync_directory(target_directory))
        return ERROR_REGISTRY_IO_FAILED;
    return ERROR_SUCCESS;
}

}
