// The program's settings: text values kept below its product key,
// HKEY_LOCAL_MACHINE\Software\Corvane\Tembrel, in the device's registry.
#pragma once

#include <windows.h>

// Room of the key-path buffer, in wide characters.
const int MaxPathChars = 256;

// Room of every text that passes to and from the settings, in wide characters.
const int MaxTextChars = 256;

// Stores `text` as the REG_SZ value `valueName` of the product key, or of its
// subkey `subkey` when that is given and not empty. The keys are created when
// missing. Exactly the first 255 bytes of the buffer are stored: the text, its
// terminator and whatever follows it in the buffer, so a caller keeps its
// buffer zero-filled.
void WriteRegString(LPCTSTR subkey, LPCTSTR valueName, const TCHAR (&text)[MaxTextChars]);

// Reads the value `valueName` of the product key (or of its subkey) into `out`;
// `out` receives the empty string when there is no such value. The keys are
// created when missing.
void ReadRegString(LPCTSTR subkey, LPCTSTR valueName, TCHAR (&out)[MaxTextChars]);
