// The application object: exactly one per program, constructed during static
// initialisation, started by AfxWinMain. It holds the four entry arguments and
// the application's name, and loads icons from the program's resources.
#pragma once

#include <windows.h>

#include "CWinThread.h"

#include <string>

namespace platform::framework {
class ApplicationList;
}

class CWinApp : public CWinThread {
public:
    // A null name gives the default: the executable's file name without its
    // directory and extension. A given name is copied.
    explicit CWinApp(LPCTSTR lpszAppName = NULL);
    ~CWinApp() override;

    // The entry arguments, as AfxWinMain received them.
    HINSTANCE m_hInstance { nullptr };
    HINSTANCE m_hPrevInstance { nullptr };
    LPTSTR m_lpCmdLine { nullptr };
    int m_nCmdShow { 0 };

    LPCTSTR m_pszAppName { nullptr };
    LPCTSTR m_pszExeName { nullptr };

    BOOL InitInstance() override;
    int ExitInstance() override;

    // A group icon from the module that holds it, or NULL when there is none.
    HICON LoadIcon(LPCTSTR lpszResourceName) const;
    HICON LoadIcon(UINT nIDResource) const;

    DECLARE_MESSAGE_MAP()

private:
    friend class ::platform::framework::ApplicationList;

    std::basic_string<TCHAR> m_app_name;
    std::basic_string<TCHAR> m_exe_name;
    CWinApp* m_next_app { nullptr };
};
