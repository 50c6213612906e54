// Handle allocation and the windowing state of the device's one thread. No
// lock anywhere here: the device is single-threaded, and only the program's
// thread creates, finds or destroys a window.
#include "dialog/WindowTable.h"

#include <cstdint>
#include <unordered_map>

namespace platform::dialog {

namespace {

struct Table {
    std::unordered_map<std::uintptr_t, Window*> windows;
    // Handles look like the device's: small, even, never zero, never reused.
    std::uintptr_t next_handle { 0x10004 };
    HWND focus { nullptr };
};

Table& table()
{
    static Table the_table;
    return the_table;
}

}

HWND register_window(Window& window)
{
    auto& t = table();
    auto const value = t.next_handle;
    t.next_handle += 4;
    t.windows[value] = &window;
    return reinterpret_cast<HWND>(value);
}

void unregister_window(HWND handle)
{
    auto& t = table();
    t.windows.erase(reinterpret_cast<std::uintptr_t>(handle));
    if (t.focus == handle)
        t.focus = nullptr;
}

Window* find_window(HWND handle)
{
    auto& t = table();
    auto const found = t.windows.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == t.windows.end() ? nullptr : found->second;
}

HWND focus_window()
{
    return table().focus;
}

void set_focus_window(HWND handle)
{
    table().focus = handle;
}

KeyState& key_state()
{
    static KeyState state;
    return state;
}

std::deque<PostedMessage>& posted_messages()
{
    static std::deque<PostedMessage> queue;
    return queue;
}

}
