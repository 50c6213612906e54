// The device's own words for the Win32 error codes its API functions return,
// for every message and tool that tells a user why a call failed.
#pragma once

#include "wintypes.h"

#include <string>

namespace platform::text {

// A short phrase, lower case and without a full stop, to follow "cannot ...:"
// or stand as a sentence's subject: "the disk is full". A code the table does
// not know is named by its number: "error 1234".
std::string error_words(DWORD code);

}
