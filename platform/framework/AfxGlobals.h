// The framework's global functions: the application object, the module that
// holds the program's resources, and the framework's start-up.
#pragma once

#include <windows.h>

#include "AfxDefs.h"

class CWinApp;
class CWnd;

// The program's application object, or NULL before it is constructed.
CWinApp* AFXAPI AfxGetApp();
// The application's main window, or NULL.
CWnd* AFXAPI AfxGetMainWnd();
LPCTSTR AFXAPI AfxGetAppName();

// The program's module, as AfxWinMain received it (the executable's own module
// before AfxWinMain has run).
HINSTANCE AFXAPI AfxGetInstanceHandle();
// The module that resources are loaded from by default; the instance unless
// the program chose another with AfxSetResourceHandle.
HINSTANCE AFXAPI AfxGetResourceHandle();
void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
// The module that holds the named resource of the given type: the resource
// module when it has it, else the instance when that has it, else the
// resource module (where a later lookup then fails as it should).
HINSTANCE AFXAPI AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);

// The framework's start-up, called by the program's WinMain with the four entry
// arguments. Calls InitInstance of the one application object once; when it
// returns FALSE there is no message loop, and the result is ExitInstance's (0
// unless the program overrides it). With no application object, or more than
// one, nothing is started: the reason goes to standard error and the result
// is -1.
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
