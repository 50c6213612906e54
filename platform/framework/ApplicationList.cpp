// The application objects are linked through themselves from a head pointer
// that is constant-initialised, so the list works during static initialisation
// and at exit, whatever order the program's globals are built and destroyed in.
#include "ApplicationList.h"

#include "CWinApp.h"

namespace platform::framework {

namespace {

constinit CWinApp* first_app = nullptr;

}

CWinApp* ApplicationList::first()
{
    return first_app;
}

int ApplicationList::count()
{
    int count = 0;
    for (CWinApp* app = first_app; app; app = app->m_next_app)
        ++count;
    return count;
}

void ApplicationList::add(CWinApp* app)
{
    CWinApp** link = &first_app;
    while (*link)
        link = &(*link)->m_next_app;
    *link = app;
    app->m_next_app = nullptr;
}

void ApplicationList::remove(CWinApp* app)
{
    for (CWinApp** link = &first_app; *link; link = &(*link)->m_next_app) {
        if (*link == app) {
            *link = app->m_next_app;
            app->m_next_app = nullptr;
            return;
        }
    }
}

}
