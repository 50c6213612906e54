// Linked into a test-only build of the program, never into Velquin.exe: it
// takes the place of the program's import of SetTimeZoneInformation (the
// import's address slot, __imp_SetTimeZoneInformation, defined here is the
// one the linker uses) and logs the record the program gives, as one line of
// 172 bytes in hex appended to the file CE_TZ_LOG names, before handing it to
// the system's own function. Wine's always refuses, so the call itself can
// be observed only here.
#include <windows.h>

#include <cstdio>

namespace {

BOOL WINAPI logged_set_time_zone(TIME_ZONE_INFORMATION const* record)
{
    wchar_t path[1024];
    DWORD const length = GetEnvironmentVariableW(L"CE_TZ_LOG", path, 1024);
    if (length > 0 && length < 1024) {
        if (FILE* log = _wfopen(path, L"ab")) {
            auto const* bytes = reinterpret_cast<unsigned char const*>(record);
            for (std::size_t i = 0; record && i < sizeof *record; i++)
                std::fprintf(log, "%02x", bytes[i]);
            std::fprintf(log, "\n");
            std::fclose(log);
        }
    }
    using SetTimeZone = BOOL(WINAPI*)(TIME_ZONE_INFORMATION const*);
    auto const system_set = reinterpret_cast<SetTimeZone>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetTimeZoneInformation")));
    return system_set ? system_set(record) : FALSE;
}

}

extern "C" {
BOOL(WINAPI* __imp_SetTimeZoneInformation)(TIME_ZONE_INFORMATION const*) = logged_set_time_zone;
}
