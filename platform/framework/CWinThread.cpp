// The user-interface thread's start, run and end.
#include "CWinThread.h"

CWnd* CWinThread::GetMainWnd()
{
    return m_pMainWnd;
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

int CWinThread::ExitInstance()
{
    return 0;
}

int CWinThread::Run()
{
    return ExitInstance();
}
