// The host's input events as the device's.
#include "frontends/window/WindowFrontEnd.h"

#include "frontends/window/ClosingSignals.h"
#include "text/Utf.h"
#include "windows.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace platform::frontends::window {

namespace {

UINT virtual_key(SDL_Keycode key)
{
    switch (key) {
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_INSERT: return VK_INSERT;
    default: return 0;
    }
}

}

void WindowFrontEnd::translate(SDL_Event const& event)
{
    if (event.type == g_signal_event.load() && event.type != 0) {
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
            if (character.value >= 0x20 && character.value != 0x7F)
                m_pending.push_back(CharInput { character.value });
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) {
            bool const shift = (SDL_GetModState() & KMOD_SHIFT) != 0;
            pointer_down(event.button.x, event.button.y, shift, event.button.timestamp);
        } else if (event.button.button == SDL_BUTTON_MIDDLE) {
            middle_click(event.button.x, event.button.y);
        }
        break;
    case SDL_MOUSEMOTION:
        if (event.motion.state & SDL_BUTTON_LMASK)
            pointer_moved(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT)
            pointer_up(event.button.x, event.button.y);
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
            m_drag.reset();
            if (m_held) {
                // As a button losing the capture: released, not clicked.
                m_held.reset();
                m_pending.push_back(PointerRelease { { -1, -1 } });
            }
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

}
