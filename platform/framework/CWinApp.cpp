// The application object: its name, its registration as the program's one
// application, and icon loading from the program's resources.
#include "CWinApp.h"

#include "AfxGlobals.h"
#include "ApplicationList.h"

#include <windows.h>

#include <string_view>

namespace {

// The executable's file name, without directory or extension. The device's
// paths use backslashes, the host's slashes; either separates here.
std::basic_string<TCHAR> executable_base_name()
{
    std::basic_string<TCHAR> path(260, TEXT('\0'));
    for (;;) {
        DWORD const length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        // A full buffer means the name was cut short: try again with more room.
        if (path.size() >= 32768) {
            path.resize(path.size() - 1);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::basic_string_view<TCHAR> name = path;
    if (auto const separator = name.find_last_of(TEXT("\\/")); separator != name.npos)
        name.remove_prefix(separator + 1);
    if (auto const dot = name.find_last_of(TEXT('.')); dot != name.npos && dot > 0)
        name.remove_suffix(name.size() - dot);
    return std::basic_string<TCHAR>(name);
}

}

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_exe_name(executable_base_name())
{
    m_app_name = lpszAppName ? std::basic_string<TCHAR>(lpszAppName) : m_exe_name;
    m_pszAppName = m_app_name.c_str();
    m_pszExeName = m_exe_name.c_str();
    platform::framework::ApplicationList::add(this);
}

CWinApp::~CWinApp()
{
    platform::framework::ApplicationList::remove(this);
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIconW(AfxFindResourceHandle(lpszResourceName, RT_GROUP_ICON), lpszResourceName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIcon(MAKEINTRESOURCE(nIDResource));
}
