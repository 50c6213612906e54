// The desktop's start-up of the process. The desktop's SetTimeZoneInformation
// needs SeTimeZonePrivilege enabled in the caller's token, where CE grants the
// call without one; the right is held (by Administrators and Users) but
// disabled until a process enables it.
#include "StartUp.h"

#include <windows.h>

namespace platform::framework {

void prepare_process()
{
    // Whatever happens here, the program starts with the last error it had.
    DWORD const saved_error = ::GetLastError();
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (::LookupPrivilegeValueW(nullptr, SE_TIME_ZONE_NAME, &privileges.Privileges[0].Luid))
            ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        ::CloseHandle(token);
    }
    ::SetLastError(saved_error);
}

}
