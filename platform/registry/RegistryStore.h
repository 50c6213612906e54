// The registry's persistent store: the key tree of the device, kept in one
// text file, registry.reg, in the device directory.
#pragma once

#include "registry/RegistryKey.h"
#include "text/Result.h"
#include "wintypes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace platform::registry {

struct HiveFile;

class RegistryStore {
public:
    // The store of the device directory that the environment names now. When
    // CE_DEVICE_DIR changes between calls, the next call gets the store of the
    // new directory.
    static RegistryStore& current();

    explicit RegistryStore(std::filesystem::path directory);
    ~RegistryStore();
    RegistryStore(RegistryStore const&) = delete;
    RegistryStore& operator=(RegistryStore const&) = delete;

    std::filesystem::path const& directory() const { return m_directory; }
    std::filesystem::path const& file_path() const { return m_file_path; }

    // Runs `reader` on the tree as the file holds it now. Returns ERROR_SUCCESS,
    // or the error that kept the file from being read (ERROR_REGISTRY_CORRUPT
    // for a file that cannot be parsed), in which case `reader` does not run.
    LONG read(std::function<void(RegistryKey const& tree)> const& reader);

    // Read-modify-write under the device's registry lock, on the file as it is
    // once the lock is held. `change` edits the tree in place and returns an
    // error code, and sets `changed` when there is something to save; the new
    // file is on disk before modify returns. A `change` that fails should leave
    // the tree as it found it (one that fails with `changed` set has the tree
    // read again from the file). When the save fails, the file stays as it was
    // and the tree is read again from it.
    LONG modify(std::function<LONG(RegistryKey& tree, bool& changed)> const& change);

    // The last problem with the directory or the file, in words, for tools that
    // want to say more than an error code; empty when there was none.
    std::string const& last_problem() const { return m_last_problem; }

    // Whether any store of this process has reported a problem with its
    // directory or file: the device's registry cannot be used as it should,
    // which the dialog manager shows as a notice. Forgotten only by tests.
    static bool any_problem_reported();
    static void forget_reported_problems();

    // How many times the file has been read and parsed, for tests and
    // benchmarks: an unchanged file is read once per process.
    std::size_t file_reads() const { return m_file_reads; }
    // How many new files have been put in place.
    std::size_t saves() const { return m_saves; }

    // Changes whenever the tree may have changed (read anew, or modified):
    // what was found in it under one version is still there under the same.
    std::uint64_t version() const { return m_version; }

    // What tells one version of the file from another.
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = -1;
        std::int64_t modified_seconds = 0;
        std::int64_t modified_nanoseconds = 0;
        bool operator==(FileIdentity const& other) const;
    };

private:
    LONG prepare_directory();
    LONG refresh();
    LONG save(RegistryKey const& tree, HiveFile const& hive);
    LONG finish_journal(HiveFile const& hive);
    Result<void> sync_directory(std::filesystem::path const& directory);
    void forget_file();
    void report(std::string message);

    std::filesystem::path m_directory;
    std::filesystem::path m_file_path;
    bool m_directory_ready = false;
    bool m_loaded = false;           // m_tree and m_state reflect the file of m_identity
    bool m_file_exists = false;
    bool m_saved = false;            // the last save put its file in place
    bool m_exclusive = false;        // the file's lock is held (in modify)
    FileIdentity m_identity;         // of the file last read or written
    int m_pinned_fd = -1;            // that file, kept open
    std::size_t m_file_reads = 0;
    std::size_t m_saves = 0;
    std::uint64_t m_version = 0;
    LONG m_state = 0;                // ERROR_SUCCESS, or why the file is unusable
    RegistryKey m_tree;
    std::string m_last_problem;
    std::vector<std::string> m_reported;
};

// Creates the key at `path` (root first) with any missing keys above it and
// sets one value there, in one save: the device's own writes, such as the
// time-zone record, that must not be left half done.
LONG store_value(KeyPath const& path, std::u16string_view name, DWORD type, std::span<BYTE const> data);

}
