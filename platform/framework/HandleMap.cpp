// The map between window handles and the window objects that stand for them.
#include "HandleMap.h"

#include "CWnd.h"

#include <windows.h>

namespace platform::framework {

HandleMap& HandleMap::instance()
{
    static HandleMap* const map = new HandleMap;
    return *map;
}

CWnd* HandleMap::from_handle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    if (CWnd* wnd = permanent(hwnd))
        return wnd;
    auto& slot = m_temporary[hwnd];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hwnd;
    }
    return slot.get();
}

CWnd* HandleMap::permanent(HWND hwnd) const
{
    auto const found = m_permanent.find(hwnd);
    return found == m_permanent.end() ? nullptr : found->second;
}

bool HandleMap::attach(HWND hwnd, CWnd* wnd)
{
    // A temporary object handed out earlier for this handle stays as it is, and
    // valid; from now on FromHandle gives the attached object.
    return m_permanent.emplace(hwnd, wnd).second;
}

void HandleMap::detach(HWND hwnd, CWnd* wnd)
{
    if (auto const found = m_permanent.find(hwnd); found != m_permanent.end() && found->second == wnd)
        m_permanent.erase(found);
}

void HandleMap::release_dead_temporaries()
{
    std::erase_if(m_temporary, [](auto const& entry) { return !IsWindow(entry.first); });
}

void HandleMap::release_temporaries()
{
    m_temporary.clear();
}

}
