// Every live application object, in construction order. A program has exactly
// one; AfxWinMain refuses to start with none or with more than one.
#pragma once

class CWinApp;

namespace platform::framework {

class ApplicationList {
public:
    // The first application object constructed that still lives, or null.
    static CWinApp* first();
    static int count();

    static void add(CWinApp* app);
    static void remove(CWinApp* app);
};

}
