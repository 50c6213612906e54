// The user-interface thread's part of the application: its main window and the
// start, run and end of the thread's work.
#pragma once

#include <windows.h>

#include "CCmdTarget.h"

class CWnd;

class CWinThread : public CCmdTarget {
public:
    CWinThread() = default;
    ~CWinThread() override = default;

    // The application's main window, or null. A window object that is destroyed
    // while it is the main window clears this itself.
    CWnd* m_pMainWnd { nullptr };

    virtual CWnd* GetMainWnd();

    // Called once when the thread starts: TRUE to go on to Run, FALSE to end.
    virtual BOOL InitInstance();
    // Called once when the thread ends; its result is the thread's exit code.
    virtual int ExitInstance();
    // The thread's work after a successful InitInstance. Every window of the
    // device's dialog manager is modal and runs its own loop inside DoModal, so
    // nothing is left to wait for here: Run ends the thread with ExitInstance.
    virtual int Run();
};
