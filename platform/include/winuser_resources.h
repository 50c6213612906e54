// The device's resource API: the executable's own compiled resources, found by
// type, name and language, and the icons built from them. The language macros
// are plain numbers, so resource scripts can include this header too.
#pragma once

#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define LANG_GERMAN 0x07
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01

#ifndef RC_INVOKED
#    include "wintypes.h"

#    define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#    define MAKEINTRESOURCE MAKEINTRESOURCEW
#    define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

#    define RT_CURSOR MAKEINTRESOURCE(1)
#    define RT_BITMAP MAKEINTRESOURCE(2)
#    define RT_ICON MAKEINTRESOURCE(3)
#    define RT_MENU MAKEINTRESOURCE(4)
#    define RT_DIALOG MAKEINTRESOURCE(5)
#    define RT_STRING MAKEINTRESOURCE(6)
#    define RT_FONTDIR MAKEINTRESOURCE(7)
#    define RT_FONT MAKEINTRESOURCE(8)
#    define RT_ACCELERATOR MAKEINTRESOURCE(9)
#    define RT_RCDATA MAKEINTRESOURCE(10)
#    define RT_MESSAGETABLE MAKEINTRESOURCE(11)
#    define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#    define RT_GROUP_ICON MAKEINTRESOURCE(14)
#    define RT_VERSION MAKEINTRESOURCE(16)

#    define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#    define PRIMARYLANGID(lgid) ((WORD)(lgid) & 0x3ff)
#    define SUBLANGID(lgid) ((WORD)(lgid) >> 10)

// The executable is the device's only module: NULL, or the executable's own
// file name (in any case), gives its handle; any other name gives NULL and
// ERROR_MOD_NOT_FOUND.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);
// The executable's path. A buffer too small receives the path cut to nSize - 1
// characters and a terminator; the result is then nSize and the last error
// ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// Types and names are ordinals (MAKEINTRESOURCE), strings compared without
// regard to case, or "#123" for the ordinal 123. FindResourceW looks for the
// device's language; both try, in order, the language asked for, its primary
// language with SUBLANG_NEUTRAL, LANG_NEUTRAL, then the lowest language the
// resource has. LANG_NEUTRAL asked for stands for the device's language,
// English (United States). Not found: NULL with ERROR_RESOURCE_TYPE_NOT_FOUND or
// ERROR_RESOURCE_NAME_NOT_FOUND.
HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage);
// Resource data is read-only and stays in place for the life of the program.
HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID WINAPI LockResource(HGLOBAL hResData);
DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);

// A group icon with all of its images. Icons are shared: the same group gives
// the same handle, valid for the life of the program, and DestroyIcon on it
// succeeds and changes nothing. A null instance (the system's stock icons) is
// not supported: NULL with ERROR_NOT_SUPPORTED.
HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
BOOL WINAPI DestroyIcon(HICON hIcon);

// The device is Unicode-only: each plain name is the W function.
#    define GetModuleHandle GetModuleHandleW
#    define GetModuleFileName GetModuleFileNameW
#    define FindResource FindResourceW
#    define FindResourceEx FindResourceExW
#    define LoadIcon LoadIconW
#endif
