// The framework's global functions: the application object and the module that
// holds the program's resources.
#include "AfxGlobals.h"

#include "ApplicationList.h"
#include "CWinApp.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constinit HINSTANCE resource_handle = nullptr;

bool module_has(HINSTANCE module, LPCTSTR name, LPCTSTR type)
{
    DWORD const saved_error = GetLastError();
    bool const found = FindResourceW(module, name, type) != nullptr;
    SetLastError(saved_error);
    return found;
}

}

namespace platform::framework {

void assertion_failed(char const* file, int line, char const* expression)
{
    std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, expression);
    std::fflush(stderr);
    std::abort();
}

}

CWinApp* AFXAPI AfxGetApp()
{
    return platform::framework::ApplicationList::first();
}

CWnd* AFXAPI AfxGetMainWnd()
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetMainWnd() : nullptr;
}

LPCTSTR AFXAPI AfxGetAppName()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pszAppName : nullptr;
}

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_hInstance)
        return app->m_hInstance;
    return GetModuleHandleW(nullptr);
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    return resource_handle ? resource_handle : AfxGetInstanceHandle();
}

void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource)
{
    resource_handle = hInstResource;
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType)
{
    HINSTANCE const resources = AfxGetResourceHandle();
    if (module_has(resources, lpszName, lpszType))
        return resources;
    HINSTANCE const instance = AfxGetInstanceHandle();
    if (instance != resources && module_has(instance, lpszName, lpszType))
        return instance;
    return resources;
}
