// The host's input as the device's: SDL's keyboard, text, mouse and window
// events become the dialog's input events, the keys by a table.
#include "frontends/window/WindowFrontEnd.h"

#include "frontends/DialogRules.h"
#include "frontends/window/ClosingSignals.h"
#include "text/Utf.h"
#include "windows.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace platform::frontends::window {

namespace {

// The host's keys the dialog uses, as the device's virtual keys.
struct HostKey {
    SDL_Keycode key;
    UINT vk;
};
constexpr HostKey host_keys[] = {
    { SDLK_TAB, VK_TAB },
    { SDLK_RETURN, VK_RETURN },
    { SDLK_KP_ENTER, VK_RETURN },
    { SDLK_ESCAPE, VK_ESCAPE },
    { SDLK_BACKSPACE, VK_BACK },
    { SDLK_DELETE, VK_DELETE },
    { SDLK_LEFT, VK_LEFT },
    { SDLK_RIGHT, VK_RIGHT },
    { SDLK_UP, VK_UP },
    { SDLK_DOWN, VK_DOWN },
    { SDLK_HOME, VK_HOME },
    { SDLK_END, VK_END },
    { SDLK_SPACE, VK_SPACE },
    { SDLK_INSERT, VK_INSERT },
};

// The virtual key of a host key, or 0 for one the dialog does not use.
UINT virtual_key(SDL_Keycode key)
{
    for (HostKey const& row : host_keys) {
        if (row.key == key)
            return row.vk;
    }
    return 0;
}

}

void WindowFrontEnd::translate(SDL_Event const& event)
{
    if (closing_signals::is_wakeup(event)) {
        m_closing_signal = closing_signals::signal_of(event);
        m_pending.push_back(CloseRequest { true });
        return;
    }
    if (auto const answer = m_selections.answer(event)) {
        // Pasted where the caret is now; ahead of the input held back for it.
        std::u16string text = text::to_utf16(*answer);
        bool const held = m_hold_input_until.has_value();
        std::size_t const ahead = std::min(m_ahead_of_hold, m_pending.size());
        if (!m_selections.pending())
            m_hold_input_until.reset();
        if (!text.empty()) {
            if (held) {
                m_pending.insert(m_pending.begin() + static_cast<std::ptrdiff_t>(ahead), PasteText { std::move(text) });
                m_ahead_of_hold = ahead + 1;
            } else {
                m_pending.push_back(PasteText { std::move(text) });
            }
        }
        return;
    }
    switch (event.type) {
    case SDL_KEYDOWN: {
        SDL_Keymod const mod = static_cast<SDL_Keymod>(event.key.keysym.mod);
        bool const shift = (mod & KMOD_SHIFT) != 0;
        bool const ctrl = (mod & KMOD_CTRL) != 0;
        bool const alt = (mod & KMOD_ALT) != 0;
        SDL_Keycode const key = event.key.keysym.sym;
        if (UINT const vk = virtual_key(key)) {
            if (!alt)
                m_pending.push_back(KeyDown { vk, shift, ctrl });
        } else if (ctrl && !alt && key >= SDLK_a && key <= SDLK_z) {
            m_pending.push_back(KeyPress { static_cast<UINT>('A' + (key - SDLK_a)), shift, true });
        }
        break;
    }
    case SDL_KEYUP:
        if (UINT const vk = virtual_key(event.key.keysym.sym))
            m_pending.push_back(KeyUp { vk });
        break;
    case SDL_TEXTINPUT: {
        // The space bar comes as its key, going down and up.
        if (std::strcmp(event.text.text, " ") == 0)
            break;
        std::u16string const typed = text::to_utf16(event.text.text);
        for (std::size_t i = 0; i < typed.size();) {
            text::Utf16Character const character = text::utf16_character_at(typed, i);
            i += character.length;
            if (may_reach_a_field(character.value))
                m_pending.push_back(CharInput { character.value });
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) {
            bool const shift = (SDL_GetModState() & KMOD_SHIFT) != 0;
            auto const screen = to_screen(event.button.x, event.button.y);
            if (screen && m_view
                && m_pointer.press(*m_view, fonts(), *screen, shift, event.button.timestamp, m_pending))
                draw(false);
        } else if (event.button.button == SDL_BUTTON_MIDDLE) {
            middle_click(event.button.x, event.button.y);
        }
        break;
    case SDL_MOUSEMOTION:
        if ((event.motion.state & SDL_BUTTON_LMASK) && m_view
            && m_pointer.move(*m_view, fonts(), m_settings.screen, to_screen(event.motion.x, event.motion.y),
                              m_pending))
            draw(false);
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT && m_view
            && m_pointer.release(*m_view, fonts(), m_settings.screen, to_screen(event.button.x, event.button.y),
                                 m_pending))
            draw(false);
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            m_pending.push_back(CloseRequest { false });
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            m_active = true;
            restart_caret();
            draw(false);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            m_active = false;
            m_pointer.lose(m_pending);
            draw(false);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            present(std::nullopt);
            break;
        default: break;
        }
        break;
    default: break;
    }
}

// The middle button pastes X's PRIMARY selection where it is pressed in a
// field, as in every X program.
void WindowFrontEnd::middle_click(int x, int y)
{
    auto const screen = to_screen(x, y);
    if (!screen || !m_view || m_pointer.active())
        return;
    Target const target = hit_test(*m_view, screen_geometry(*m_view, fonts()), screen->x, screen->y);
    if (target.kind != Target::Kind::control)
        return;
    auto const& control = m_view->controls[target.index];
    if (!control.enabled || control.control_class != ControlClass::Edit)
        return;
    POINT const offset = offset_in_control(*m_view, target.index, *screen);
    m_pending.push_back(PointerPress { target.index, offset, false, false });
    m_pending.push_back(PointerRelease { offset });
    // The press and what came before it go first; what comes after waits.
    if (!request_selection(true, m_pending.size())) {
        char* const text = SDL_GetPrimarySelectionText();
        if (text && *text)
            m_pending.push_back(PasteText { text::to_utf16(text) });
        SDL_free(text);
    }
}

}
