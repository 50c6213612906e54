// Generic-text names, as a CE program uses them: the text macros and types,
// the entry's generic name and the string functions, all mapped to the wide
// forms, since the device is Unicode-only. The wide string functions over the
// device's WCHAR are COREDLL's; the host's own wcslen and kin work on its
// 32-bit wchar_t and cannot take the device's text.
#pragma once

#include "wintypes.h"

#ifndef RC_INVOKED

#define __T(x) CE_TEXT_LITERAL(x)
#define _T(x) __T(x)
#define _TEXT(x) __T(x)

typedef WCHAR _TCHAR;
typedef WCHAR _TSCHAR;
typedef WCHAR _TUCHAR;
typedef WCHAR _TXCHAR;
typedef int _TINT;

// CE's entry already takes the wide command line.
#define _tWinMain WinMain

inline SIZE_T wcslen(const WCHAR* string)
{
    SIZE_T length = 0;
    while (string[length] != 0)
        length++;
    return length;
}

inline WCHAR* wcscpy(WCHAR* destination, const WCHAR* source)
{
    SIZE_T i = 0;
    for (; source[i] != 0; i++)
        destination[i] = source[i];
    destination[i] = 0;
    return destination;
}

// Copies at most count characters; a shorter source is padded with zeros up
// to count, a longer one leaves the destination without a terminator.
inline WCHAR* wcsncpy(WCHAR* destination, const WCHAR* source, SIZE_T count)
{
    SIZE_T i = 0;
    for (; i < count && source[i] != 0; i++)
        destination[i] = source[i];
    for (; i < count; i++)
        destination[i] = 0;
    return destination;
}

inline WCHAR* wcscat(WCHAR* destination, const WCHAR* source)
{
    wcscpy(destination + wcslen(destination), source);
    return destination;
}

// Compares as unsigned 16-bit code units: negative, zero or positive.
inline int wcsncmp(const WCHAR* first, const WCHAR* second, SIZE_T count)
{
    for (SIZE_T i = 0; i < count; i++) {
        if (first[i] != second[i])
            return first[i] < second[i] ? -1 : 1;
        if (first[i] == 0)
            return 0;
    }
    return 0;
}

inline int wcscmp(const WCHAR* first, const WCHAR* second)
{
    return wcsncmp(first, second, static_cast<SIZE_T>(-1));
}

// The first occurrence of character in string, its terminator included.
inline const WCHAR* wcschr(const WCHAR* string, WCHAR character)
{
    for (;; string++) {
        if (*string == character)
            return string;
        if (*string == 0)
            return nullptr;
    }
}

inline WCHAR* wcschr(WCHAR* string, WCHAR character)
{
    return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(string), character));
}

#define _tcslen wcslen
#define _tcscpy wcscpy
#define _tcsncpy wcsncpy
#define _tcscat wcscat
#define _tcscmp wcscmp
#define _tcsncmp wcsncmp
#define _tcschr wcschr

#endif // RC_INVOKED
