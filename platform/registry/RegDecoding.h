// Turning the bytes of a .reg file into text: which encoding a file is in,
// and the "ANSI" code page of REGEDIT4 files.
#pragma once

#include "text/Result.h"
#include "wintypes.h"

#include <span>
#include <string>
#include <string_view>

namespace platform::registry {

// The text of a whole file: UTF-16LE or UTF-16BE with a byte-order mark,
// else UTF-8 (with or without one), or the code page of a REGEDIT4 file. The
// error says what was wrong, with "line N: " first when a line holds it.
Result<std::u16string> decode_reg_bytes(std::span<BYTE const> bytes);

// REGEDIT4 files are in the Windows "ANSI" code page; a file written on Linux
// is more likely UTF-8, which is tried first.
std::u16string decode_ansi(std::string_view bytes);

}
