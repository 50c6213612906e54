/*
 * The registry store: the device's whole registry in one text file,
 * <device directory>/registry.reg, kept safe against crashes and against other
 * processes using the same device.
 *
 * The file format
 * ---------------
 * The .reg syntax of regedit's "Windows Registry Editor Version 5.00" files,
 * in UTF-8 without a byte-order mark and with LF line ends, so that it can be
 * read and edited with any text editor (and imported by regedit after a
 * conversion to UTF-16):
 *
 *     Windows Registry Editor Version 5.00
 *
 *     [HKEY_LOCAL_MACHINE\Software\Corvane\Tembrel\DEFAULTS]
 *     "Note"="Hello, \"world\" in C:\\Temp"
 *     @="the key's default value"
 *     "Counter"=dword:0000002a
 *     "Blob"=hex:01,02,03
 *     "DayLight"=hex(1):44,00,65,00,66,00,61,00,75,00,6c,00,74,00,3a,00,20,00,2d,\
 *       00,36,00,30,00,00,00,...
 *
 * - The first line is the header; "REGEDIT4" is read too. The file is one or
 *   more key blocks: a line [ROOT\Name\Name...] naming the key by its full path
 *   below one of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT and
 *   HKEY_USERS, then the key's values, one per line, in their creation order.
 *   Every key has a block of its own, empty keys included, so that they persist;
 *   a root's block is written only when the root holds values. Blocks follow
 *   each other depth first, subkeys in alphabetical order.
 * - A value line is "Name"=DATA, or @=DATA for the default (unnamed) value.
 *   In a name, \\ stands for a backslash, \" for a quote, \n and \r for line
 *   breaks. DATA is one of
 *     "text"            REG_SZ: the text and its terminating zero character;
 *                       \\ and \" are the only escapes;
 *     dword:XXXXXXXX    REG_DWORD: four bytes, 1 to 8 hex digits when read;
 *     hex:BB,BB,...     REG_BINARY: the bytes, in hex;
 *     hex(T):BB,BB,...  any other type T (in hex: 0 REG_NONE, 1 REG_SZ,
 *                       2 REG_EXPAND_SZ, 4 REG_DWORD, 7 REG_MULTI_SZ,
 *                       b REG_QWORD...), the bytes exactly as stored; strings
 *                       are UTF-16LE.
 *   The quoted form is written only when it gives back exactly the stored
 *   bytes: a REG_SZ of an even length, ending in its only zero character, with
 *   no control character but the tab in it. Anything else (an odd length such
 *   as 255, bytes after the terminator, no terminator at all) is written as
 *   hex(1): so that every value comes back byte for byte. dword: is written
 *   only for a REG_DWORD of exactly four bytes.
 * - Long hex data is wrapped as regedit wraps it: a line ending in a backslash
 *   goes on at the next line, which starts with spaces.
 * - Blank lines are ignored, and so are lines starting with ';' or '#'. A ';'
 *   after a value starts a comment too. Names compare without regard to case.
 * - Anything else, or a name longer than 255 characters, or a key deeper than
 *   16 levels, makes the whole file unreadable: the store then reports the file
 *   and the line once on standard error, fails every call with
 *   ERROR_REGISTRY_CORRUPT and never writes the file until it has been
 *   repaired (or removed, which starts an empty registry).
 *
 * Saving and sharing
 * ------------------
 * Every change is saved before the call that made it returns: the new text
 * goes to a temporary file beside the old one (registry.reg.tmp-XXXXXX), which
 * is flushed to disk, renamed over registry.reg, and the directory flushed too.
 * A process killed at any moment thus leaves the old file or the new one;
 * temporary files left behind by killed processes are removed by the next save.
 * When registry.reg is a symbolic link, the save goes through it: the new file
 * is written beside the file the link leads to and renamed over that one, so
 * the link stays; a link that leads to no file is refused, never followed to
 * create one.
 * Changes are read-modify-write under an exclusive flock on registry.lock in
 * the same directory (opened without following a symbolic link), and the file
 * is read again whenever it is another file than the one last read (its device
 * and inode) or that file's size or modification time changed, so that
 * processes sharing the device never lose each other's changes. The file last
 * read is kept open, so its inode cannot be reused for another file meanwhile.
 * Readers take no lock: the rename makes each file they open whole.
 *
 * The file is parsed once per process and then only when it changed; a change
 * is made in the tree in memory and the whole file written anew, streamed in
 * pieces. When the save fails, the tree is thrown away and read again from the
 * file that stayed in place.
 */
#include "registry/RegistryStore.h"

#include "registry/DeviceDirectory.h"
#include "registry/RegFile.h"
#include "text/TerminalText.h"
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

namespace platform::registry {

static constexpr char temp_prefix[] = "registry.reg.tmp-";

// Versions are unique across every store of the process, so that what was
// found in one store's tree is never taken for part of another's.
static std::uint64_t next_version()
{
    static std::uint64_t last = 0;
    return ++last;
}

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

void RegistryStore::report(std::string message)
{
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
    auto error = make_device_directory(m_directory);
    if (!error.empty()) {
        report(error);
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

// Reads the whole of an open file.
static int read_all(int fd, std::vector<char>& bytes, std::size_t expected)
{
    bytes.clear();
    bytes.reserve(expected + 1);
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
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
        report("cannot read " + path.string() + ": " + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    if (m_loaded && m_file_exists && identity_of(st) == m_identity)
        return m_state;

    forget_file();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        code = errno;
        if (code == ENOENT)
            return refresh(); // replaced between the two looks
        report("cannot read " + path.string() + ": " + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    std::vector<char> bytes;
    code = ::fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EISDIR : 0;
    if (code == 0)
        code = read_all(fd, bytes, static_cast<std::size_t>(st.st_size));
    if (code != 0) {
        ::close(fd);
        report("cannot read " + path.string() + ": " + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    m_pinned_fd = fd;
    m_identity = identity_of(st);
    m_file_exists = true;
    m_loaded = true;
    ++m_file_reads;
    m_version = next_version();

    m_tree = make_empty_tree();
    auto parsed = parse_reg_tree(std::span(reinterpret_cast<BYTE const*>(bytes.data()), bytes.size()), m_tree);
    if (!parsed.ok()) {
        m_state = ERROR_REGISTRY_CORRUPT;
        m_tree = make_empty_tree();
        report("cannot parse " + path.string() + ", " + parsed.error
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

namespace {

// The exclusive registry lock, held for as long as the object lives.
class LockFile {
public:
    explicit LockFile(std::filesystem::path const& path)
    {
        // Never through a symbolic link: a link planted here would otherwise
        // have its target created, wherever it points.
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        if (m_fd < 0) {
            m_error = errno == ELOOP ? ELOOP : errno;
            return;
        }
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            m_error = EINVAL;
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = errno;
                return;
            }
        }
    }
    ~LockFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LockFile(LockFile const&) = delete;
    LockFile& operator=(LockFile const&) = delete;

    int error() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};

}

LONG RegistryStore::modify(std::function<LONG(RegistryKey& tree, bool& changed)> const& change)
{
    if (LONG status = prepare_directory())
        return status;
    auto lock_path = m_directory / "registry.lock";
    LockFile lock(lock_path);
    if (lock.error()) {
        std::string why = lock.error() == ELOOP ? "it is a symbolic link, which the store does not follow"
            : lock.error() == EINVAL           ? "it is not a plain file"
                                               : std::strerror(lock.error());
        report("cannot lock " + lock_path.string() + ": " + why);
        return ERROR_LOCK_VIOLATION;
    }
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
    LONG status = save(m_tree);
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

// Where a save puts the new file: registry.reg itself, or, when it is a
// symbolic link, the file the link leads to, so that the link stays.
static int save_target(std::filesystem::path const& file, std::filesystem::path& target)
{
    target = file;
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return 0;
    char* real = ::realpath(file.c_str(), nullptr);
    if (!real)
        return errno;
    target = real;
    std::free(real);
    return 0;
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
            flush();
            if (size >= buffer_size) {
                write_out(bytes, size);
                return;
            }
        }
        m_buffer.append(bytes, size);
    }

    // Writes what is buffered; the first error, or 0.
    int flush()
    {
        if (!m_buffer.empty()) {
            write_out(m_buffer.data(), m_buffer.size());
            m_buffer.clear();
        }
        return m_error;
    }

private:
    void write_out(char const* bytes, std::size_t size)
    {
        std::size_t done = 0;
        while (done < size && !m_error) {
            ssize_t wrote = ::write(m_fd, bytes + done, size - done);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote < 0)
                m_error = errno;
            else
                done += static_cast<std::size_t>(wrote);
        }
    }

    static constexpr std::size_t buffer_size = 1 << 16;
    int m_fd;
    int m_error = 0;
    std::string m_buffer;
};

}

LONG RegistryStore::save(RegistryKey const& tree)
{
    // Only the lock holder writes temporaries, so any found now are left over
    // from a process that died while saving.
    remove_stale_temporaries(m_directory, temp_prefix);
    m_saved = false;
    std::filesystem::path target;
    if (int code = save_target(m_file_path, target)) {
        report("cannot save " + m_file_path.string() + ": it is a symbolic link that leads to no file (" + std::strerror(code)
               + "); the link is kept");
        return error_for_errno(code);
    }
    auto const target_directory = target.parent_path();
    std::string const target_prefix = target.filename().string() + ".tmp-";
    if (target != m_file_path)
        remove_stale_temporaries(target_directory, target_prefix);
    std::string temp = (target_directory / target_prefix).string() + "XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    auto fail = [&](int code, char const* step) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        report("cannot save " + file_path().string() + " (" + step + "): " + std::strerror(code)
               + "; the previous file is kept");
        return error_for_errno(code);
    };
    if (fd < 0) {
        int code = errno;
        report("cannot save " + file_path().string() + " (creating a temporary file): " + std::strerror(code)
               + "; the previous file is kept");
        return error_for_errno(code);
    }
    FileSink sink(fd);
    write_reg_tree(tree, RegFileEncoding::Utf8Lf, sink);
    if (int code = sink.flush())
        return fail(code, "writing");
    if (::fsync(fd) != 0)
        return fail(errno, "flushing");
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(errno, "flushing");
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno, "renaming");

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

    int dir_fd = ::open(target_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0 || ::fsync(dir_fd) != 0) {
        int code = errno;
        if (dir_fd >= 0)
            ::close(dir_fd);
        report("cannot flush the directory " + target_directory.string() + ": " + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    ::close(dir_fd);
    return ERROR_SUCCESS;
}

}
