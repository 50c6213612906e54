// Reading X's selections (CLIPBOARD for Ctrl+V, PRIMARY for the middle
// button) without waiting for their owner: the request goes out, the window
// keeps drawing and taking input, and the answer is picked out of the event
// stream when it comes. An owner that never answers costs nothing but the
// paste. Kept apart from the device's headers, whose names X's headers also
// define.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace platform::frontends::window {

class SelectionReader {
public:
    using Clock = std::chrono::steady_clock;

    // How long an answer is waited for before the request is forgotten.
    static constexpr std::chrono::seconds patience { 5 };

    enum class Request {
        asked,      // the answer comes later, as an event
        no_owner,   // nobody holds the selection: nothing to paste
        not_x11,    // not an X window: ask the library instead
    };
    // Asks the owner of CLIPBOARD (or PRIMARY) for its text, to be answered
    // to `window`.
    Request request(SDL_Window* window, bool primary);

    // Every event while requests are pending: the text (UTF-8) when the event
    // is an answer to one; an owner that refused gives an empty text.
    std::optional<std::string> answer(SDL_Event const& event);

    bool pending() const { return m_pending > 0; }
    // When the oldest pending request is given up.
    Clock::time_point deadline() const { return m_deadline; }
    // Gives up every request (their late answers are then ignored).
    void forget();

private:
    std::size_t m_pending { 0 };
    Clock::time_point m_deadline {};
    unsigned long m_window { 0 }; // the X window the answers come to
};

}
