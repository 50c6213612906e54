// The calling-convention words and diagnostic macros that an MFC program's
// source is written with. On the device they carry no calling convention, and
// the diagnostics are active only in a _DEBUG build, as the framework has them.
#pragma once

#include <cstdio>
#include <cstdlib>

#define afx_msg
#define AFXAPI
#define AFX_CDECL
#ifndef PASCAL
#    define PASCAL
#endif

// Object allocation with file and line is a debug-heap feature the device does
// not have: DEBUG_NEW is plain new, so `#define new DEBUG_NEW` needs no THIS_FILE.
#define DEBUG_NEW new

namespace platform::framework {

// Reports a failed ASSERT on standard error and ends the process, as the
// framework's assertion dialog ends a debug run when it is not ignored.
[[noreturn]] void assertion_failed(char const* file, int line, char const* expression);

}

#ifdef _DEBUG
#    define ASSERT(f) ((f) ? (void)0 : ::platform::framework::assertion_failed(__FILE__, __LINE__, #f))
#    define VERIFY(f) ASSERT(f)
#else
#    define ASSERT(f) ((void)0)
#    define VERIFY(f) ((void)(f))
#endif
#define ASSERT_VALID(p) ASSERT((p) != nullptr)

// Trace output goes to the debugger on the device; there is none here.
#define TRACE(...) ((void)0)
#define TRACE0(text) ((void)0)
#define TRACE1(format, a1) ((void)0)
#define TRACE2(format, a1, a2) ((void)0)
#define TRACE3(format, a1, a2, a3) ((void)0)
