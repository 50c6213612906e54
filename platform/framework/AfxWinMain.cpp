// The framework's start-up: the one application object's InitInstance, then
// either its Run or, when InitInstance declines, its ExitInstance.
#include "AfxGlobals.h"

#include "ApplicationList.h"
#include "CWinApp.h"
#include "CWnd.h"
#include "HandleMap.h"
#include "StartUp.h"

#include <cstdio>

namespace {

// Returned when the framework cannot start the program at all.
constexpr int start_failure = -1;

}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    int const applications = platform::framework::ApplicationList::count();
    if (applications != 1) {
        if (applications == 0)
            std::fprintf(stderr, "AfxWinMain: the program has no application object (CWinApp)\n");
        else
            std::fprintf(stderr, "AfxWinMain: the program has %d application objects (CWinApp), not one\n",
                         applications);
        return start_failure;
    }

    CWinApp* app = platform::framework::ApplicationList::first();
    app->m_hInstance = hInstance;
    app->m_hPrevInstance = hPrevInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;
    AfxSetResourceHandle(hInstance);
    platform::framework::prepare_process();

    int result;
    if (app->InitInstance()) {
        result = app->Run();
    } else {
        // Whatever main window is still open when the application declines to
        // run is closed, so the program ends with no window left.
        if (CWnd* main = app->m_pMainWnd; main && main->m_hWnd)
            main->DestroyWindow();
        result = app->ExitInstance();
    }

    platform::framework::HandleMap::instance().release_temporaries();
    AfxSetResourceHandle(nullptr);
    return result;
}
