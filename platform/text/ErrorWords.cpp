// The table of the device's words for its error codes.
#include "text/ErrorWords.h"

#include "winerror.h"

#include <array>

namespace platform::text {

namespace {

struct ErrorWordsRow {
    DWORD code;
    char const* words;
};

// The codes the device's API functions return and a user may see, with the
// device's storage failures in the words its notices use.
constexpr std::array error_words_table {
    ErrorWordsRow { ERROR_FILE_NOT_FOUND, "the registry key or value does not exist" },
    ErrorWordsRow { ERROR_PATH_NOT_FOUND, "the device directory cannot be used" },
    ErrorWordsRow { ERROR_ACCESS_DENIED, "access is denied" },
    ErrorWordsRow { ERROR_NOT_ENOUGH_MEMORY, "there is not enough memory" },
    ErrorWordsRow { ERROR_OUTOFMEMORY, "there is not enough memory" },
    ErrorWordsRow { ERROR_BAD_FORMAT, "the registry file cannot be parsed" },
    ErrorWordsRow { ERROR_INVALID_DATA, "the registry file cannot be parsed" },
    ErrorWordsRow { ERROR_REGISTRY_CORRUPT, "the registry file cannot be parsed" },
    ErrorWordsRow { ERROR_CANTOPEN, "the registry file cannot be read or written" },
    ErrorWordsRow { ERROR_CANTREAD, "the registry file cannot be read or written" },
    ErrorWordsRow { ERROR_CANTWRITE, "the registry file cannot be read or written" },
    ErrorWordsRow { ERROR_READ_FAULT, "the registry file cannot be read or written" },
    ErrorWordsRow { ERROR_WRITE_FAULT, "the registry file cannot be read or written" },
    ErrorWordsRow { ERROR_REGISTRY_IO_FAILED, "the registry file cannot be read or written" },
    ErrorWordsRow { ERROR_DISK_FULL, "the disk is full" },
    ErrorWordsRow { ERROR_LOCK_VIOLATION, "the registry cannot be locked" },
    ErrorWordsRow { ERROR_KEY_DELETED, "the key was deleted meanwhile" },
    ErrorWordsRow { ERROR_INVALID_PARAMETER, "the parameter is incorrect" },
    ErrorWordsRow { ERROR_BAD_PATHNAME, "the path is invalid" },
    ErrorWordsRow { ERROR_NOT_SUPPORTED, "the request is not supported" },
};

}

std::string error_words(DWORD code)
{
    for (auto const& row : error_words_table) {
        if (row.code == code)
            return row.words;
    }
    return "error " + std::to_string(code);
}

}
