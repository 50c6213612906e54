// Which window object stands for which window handle. A window object attached
// to a handle is permanent: FromHandle gives that object. Any other handle gets
// a temporary plain CWnd, owned here, kept while its window lives and reused
// for the same handle; a caller may use it for as long as the window exists.
#pragma once

#include <windows.h>

#include <memory>
#include <unordered_map>

class CWnd;

namespace platform::framework {

class HandleMap {
public:
    // The one map of the user-interface thread. It is never destroyed, so
    // window objects that outlive main (globals) can still detach themselves.
    static HandleMap& instance();

    CWnd* from_handle(HWND hwnd);
    CWnd* permanent(HWND hwnd) const;

    // False when the handle already has a permanent object.
    bool attach(HWND hwnd, CWnd* wnd);
    void detach(HWND hwnd, CWnd* wnd);

    // Frees the temporary objects of handles whose windows no longer exist.
    void release_dead_temporaries();
    // Frees every temporary object, at the end of the program's run.
    void release_temporaries();

private:
    HandleMap() = default;

    std::unordered_map<HWND, CWnd*> m_permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> m_temporary;
};

}
