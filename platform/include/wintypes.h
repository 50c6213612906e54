// The device's basic Win32 types, with exactly the widths Windows CE gives them.
// Everything the program and the platform say in Win32 terms starts here. A
// resource script sees none of it (RC_INVOKED).
#pragma once

#ifndef RC_INVOKED

#include <cstddef>
#include <cstdint>

// The device is a Unicode build: every text is UTF-16.
#ifndef UNICODE
#    define UNICODE 1
#endif
#ifndef _UNICODE
#    define _UNICODE 1
#endif

// The host's wchar_t is 32 bits, so the device's wide text is char16_t and its
// literals u"..." (L"..." on Windows). _T and its kin come with tchar.h.
#define CE_TEXT_LITERAL(quote) u##quote
#define TEXT(quote) CE_TEXT_LITERAL(quote)

#ifndef NULL
#    define NULL nullptr
#endif

#define FALSE 0
#define TRUE 1

#define CONST const
#define VOID void
#define WINAPI
#define CALLBACK
#define APIENTRY
#define IN
#define OUT
#define OPTIONAL

typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;

typedef char CHAR;
typedef std::uint8_t BYTE;
typedef std::uint8_t UCHAR;
typedef BYTE BOOLEAN;
typedef std::int16_t SHORT;
typedef std::uint16_t USHORT;
typedef std::uint16_t WORD;
typedef std::int32_t INT;
typedef std::uint32_t UINT;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::uint32_t DWORD;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef std::uint64_t DWORD64;
typedef std::uint64_t QWORD;
typedef int BOOL;

typedef char16_t WCHAR;
typedef WCHAR TCHAR;
typedef WCHAR* LPWSTR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* PCWSTR;
typedef LPWSTR LPTSTR;
typedef LPCWSTR LPCTSTR;
typedef CHAR* LPSTR;
typedef CHAR* PSTR;
typedef const CHAR* LPCSTR;
typedef const CHAR* PCSTR;

typedef BYTE* LPBYTE;
typedef BYTE* PBYTE;
typedef const BYTE* LPCBYTE;
typedef WORD* LPWORD;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef LONG* LPLONG;
typedef LONG* PLONG;
typedef BOOL* LPBOOL;
typedef BOOL* PBOOL;
typedef INT* LPINT;
typedef UINT* LPUINT;

typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef ULONG_PTR SIZE_T;

typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef DWORD COLORREF;
typedef WORD ATOM;
typedef LONG HRESULT;
typedef DWORD REGSAM;
typedef WORD LANGID;

// Handles are distinct opaque pointer types, as with STRICT on Windows, so
// that one kind of handle is never passed where another is expected.
#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name

DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HKEY);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HRSRC);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HDC);
typedef HINSTANCE HMODULE;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef HKEY* PHKEY;
typedef HICON HCURSOR;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define MAKEWORD(a, b) ((WORD)(((BYTE)((DWORD_PTR)(a) & 0xff)) | ((WORD)((BYTE)((DWORD_PTR)(b) & 0xff))) << 8))
#define MAKELONG(a, b) ((LONG)(((WORD)((DWORD_PTR)(a) & 0xffff)) | ((DWORD)((WORD)((DWORD_PTR)(b) & 0xffff))) << 16))
#define LOWORD(l) ((WORD)((DWORD_PTR)(l) & 0xffff))
#define HIWORD(l) ((WORD)(((DWORD_PTR)(l) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)((DWORD_PTR)(w) & 0xff))
#define HIBYTE(w) ((BYTE)(((DWORD_PTR)(w) >> 8) & 0xff))

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *LPSIZE;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;
typedef const RECT* LPCRECT;

static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(WCHAR) == 2);
static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(UINT) == 4 && sizeof(INT) == 4);
static_assert(sizeof(BOOL) == 4);
static_assert(sizeof(LONGLONG) == 8 && sizeof(QWORD) == 8);
static_assert(sizeof(INT_PTR) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*));
static_assert(sizeof(RECT) == 16 && sizeof(POINT) == 8);

#endif // RC_INVOKED
