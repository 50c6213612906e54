// The device's system-library basics: the time-zone record, the calling thread's
// last-error code and the wide-string helpers of COREDLL.
#pragma once

#ifndef RC_INVOKED

#include "wintypes.h"

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

typedef struct _TIME_ZONE_INFORMATION {
    LONG Bias;
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
} TIME_ZONE_INFORMATION, *PTIME_ZONE_INFORMATION, *LPTIME_ZONE_INFORMATION;

// The record is stored on the device as these exact 172 bytes, so its layout is
// part of the device's format, not just of this compiler's.
static_assert(sizeof(SYSTEMTIME) == 16);
static_assert(sizeof(TIME_ZONE_INFORMATION) == 172);
static_assert(offsetof(TIME_ZONE_INFORMATION, Bias) == 0);
static_assert(offsetof(TIME_ZONE_INFORMATION, StandardName) == 4);
static_assert(offsetof(TIME_ZONE_INFORMATION, StandardDate) == 68);
static_assert(offsetof(TIME_ZONE_INFORMATION, StandardBias) == 84);
static_assert(offsetof(TIME_ZONE_INFORMATION, DaylightName) == 88);
static_assert(offsetof(TIME_ZONE_INFORMATION, DaylightDate) == 152);
static_assert(offsetof(TIME_ZONE_INFORMATION, DaylightBias) == 168);

#define TIME_ZONE_ID_UNKNOWN 0
#define TIME_ZONE_ID_STANDARD 1
#define TIME_ZONE_ID_DAYLIGHT 2
#define TIME_ZONE_ID_INVALID ((DWORD)0xFFFFFFFF)

DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION lpTimeZoneInformation);
BOOL WINAPI SetTimeZoneInformation(const TIME_ZONE_INFORMATION* lpTimeZoneInformation);

// A program's entry, defined by the program. The device's command line is
// wide, as CE's is (the desktop's wide entry is wWinMain).
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD dwErrCode);

// nNumber * nNumerator / nDenominator through a 64-bit product, rounded to the
// nearest whole number (halves away from zero); -1 when nDenominator is 0 or
// the result does not fit an int.
int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator);

#endif // RC_INVOKED
