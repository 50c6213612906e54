// The handles of every live window, and the little state the windowing system
// keeps for its one thread: the focus, the keys held, the posted messages.
#pragma once

#include "windows.h"

#include <deque>

namespace platform::dialog {

class Window;

// Gives `window` a handle never given before in this process.
HWND register_window(Window& window);
void unregister_window(HWND handle);
// The window behind a handle; null for a stale, foreign or null handle.
Window* find_window(HWND handle);

// The window with the keyboard focus; null when none has it.
HWND focus_window();
void set_focus_window(HWND handle);

// The modifiers of the key press being handled, for GetKeyState.
struct KeyState {
    bool shift { false };
    bool ctrl { false };
};
KeyState& key_state();

struct PostedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
std::deque<PostedMessage>& posted_messages();

}
