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
 * Changes are read-modify-write under an exclusive flock on registry.lock in
 * the same directory, and the file is read again whenever its bytes differ from
 * those last read, so that processes sharing the device never lose each other's
 * changes. Readers take no lock: the rename makes each file they open whole.
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
#include <cstdio>
#include <cstring>
#include <memory>

namespace platform::registry {

static constexpr char temp_prefix[] = "registry.reg.tmp-";

RegistryStore& RegistryStore::current()
{
    static std::unique_ptr<RegistryStore> store;
    auto directory = device_directory_path();
    if (!store || store->directory() != directory)
        store = std::make_unique<RegistryStore>(directory);
    return *store;
}

RegistryStore::RegistryStore(std::filesystem::path directory)
    : m_directory(std::move(directory))
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

// Reads the whole file; ENOENT is reported as such, not as an error message.
static int read_whole_file(std::filesystem::path const& path, std::vector<char>& bytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int code = S_ISREG(st.st_mode) ? errno : EISDIR;
        ::close(fd);
        return code;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int code = errno;
            ::close(fd);
            return code;
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::close(fd);
    return 0;
}

LONG RegistryStore::refresh()
{
    if (LONG status = prepare_directory())
        return status;
    std::vector<char> bytes;
    int code = read_whole_file(file_path(), bytes);
    if (code == ENOENT) {
        if (!m_loaded || m_file_exists) {
            m_tree = make_empty_tree();
            m_file_exists = false;
            m_file_bytes.clear();
            m_state = ERROR_SUCCESS;
            m_loaded = true;
        }
        return ERROR_SUCCESS;
    }
    if (code != 0) {
        m_loaded = false;
        report("cannot read " + file_path().string() + ": " + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    if (m_loaded && m_file_exists && bytes == m_file_bytes)
        return m_state;

    auto parsed = parse_reg_file(std::span(reinterpret_cast<BYTE const*>(bytes.data()), bytes.size()), RegFileUse::Store);
    m_file_bytes = std::move(bytes);
    m_file_exists = true;
    m_loaded = true;
    if (!parsed.ok()) {
        m_state = ERROR_REGISTRY_CORRUPT;
        m_tree = make_empty_tree();
        report("cannot parse " + file_path().string() + ", " + parsed.error
               + "; the file is left as it is, and the registry is unusable until it is repaired or removed");
        return m_state;
    }
    m_tree = make_empty_tree();
    apply_reg_edits(m_tree, parsed.edits);
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
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_error = errno;
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
    LockFile lock(m_directory / "registry.lock");
    if (lock.error()) {
        report("cannot lock " + (m_directory / "registry.lock").string() + ": " + std::strerror(lock.error()));
        return ERROR_LOCK_VIOLATION;
    }
    if (LONG status = refresh())
        return status;
    RegistryKey tree = m_tree;
    bool changed = false;
    if (LONG status = change(tree, changed))
        return status;
    if (!changed)
        return ERROR_SUCCESS;
    return save(tree);
}

static void remove_stale_temporaries(std::filesystem::path const& directory)
{
    DIR* dir = ::opendir(directory.c_str());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, temp_prefix, sizeof temp_prefix - 1) == 0)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

static int write_all(int fd, std::string const& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return errno;
        done += static_cast<std::size_t>(wrote);
    }
    return 0;
}

LONG RegistryStore::save(RegistryKey const& tree)
{
    // Only the lock holder writes temporaries, so any found now are left over
    // from a process that died while saving.
    remove_stale_temporaries(m_directory);
    std::string text = format_reg_tree(tree, RegFileEncoding::Utf8Lf);
    std::string temp = (m_directory / temp_prefix).string() + "XXXXXX";
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
    if (int code = write_all(fd, text))
        return fail(code, "writing");
    if (::fsync(fd) != 0)
        return fail(errno, "flushing");
    int closing = ::close(fd);
    fd = -1;
    if (closing != 0)
        return fail(errno, "closing");
    if (::rename(temp.c_str(), file_path().c_str()) != 0)
        return fail(errno, "renaming");

    m_tree = tree;
    m_file_bytes.assign(text.begin(), text.end());
    m_file_exists = true;
    m_state = ERROR_SUCCESS;
    m_loaded = true;

    int dir_fd = ::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0 || ::fsync(dir_fd) != 0) {
        int code = errno;
        if (dir_fd >= 0)
            ::close(dir_fd);
        report("cannot flush the directory " + m_directory.string() + ": " + std::strerror(code));
        return ERROR_REGISTRY_IO_FAILED;
    }
    ::close(dir_fd);
    return ERROR_SUCCESS;
}

}
