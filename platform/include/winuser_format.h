// The device's wide-character formatting: wsprintfW and wvsprintfW, COREDLL's
// small printf with its fixed 1024-character output limit.
#pragma once

#ifndef RC_INVOKED

#include "wintypes.h"

#include <cstdarg>

#ifndef WINAPIV
#    define WINAPIV
#endif

// Writes at most 1024 characters, the terminator included, into lpOut and
// returns the number of characters stored, not counting the terminator.
// Format: %[-][#][0][width][.precision][size]type, with the types c C d i u x X
// s S p, the size prefixes h, l, w, I, I32 and I64, and %% for a percent sign.
// In this wide version %s and %ls take an LPCWSTR, %hs and %S an LPCSTR (UTF-8);
// %d and %ld take a LONG-sized int. There is no '*' width and no floating point;
// any other character after the '%' is copied as text.
int WINAPIV wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);

#define wsprintf wsprintfW
#define wvsprintf wvsprintfW

#endif // RC_INVOKED
