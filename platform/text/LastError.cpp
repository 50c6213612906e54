// The calling thread's last-error code, as GetLastError and SetLastError keep it.
#include "windows.h"

static thread_local DWORD last_error = ERROR_SUCCESS;

DWORD WINAPI GetLastError()
{
    return last_error;
}

void WINAPI SetLastError(DWORD dwErrCode)
{
    last_error = dwErrCode;
}
