// The modal loop. Keys follow the device's dialog keyboard interface: the
// focused control is asked with WM_GETDLGCODE what it wants; Tab, the arrows,
// Enter and Escape that it does not want belong to the dialog.
#include "dialog/ModalLoop.h"

#include "dialog/EditControl.h"
#include "dialog/WindowTable.h"
#include "frontends/DialogRules.h"
#include "registry/LostWrites.h"
#include "registry/RegistryStore.h"
#include "text/TerminalText.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace platform::dialog {

namespace {

ModalLoop* g_running = nullptr;

template<class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template<class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Holds the modifiers of one key press for GetKeyState.
class HeldModifiers {
public:
    HeldModifiers(bool shift, bool ctrl)
        : m_saved(key_state())
    {
        key_state() = { shift, ctrl };
    }
    ~HeldModifiers() { key_state() = m_saved; }
    HeldModifiers(HeldModifiers const&) = delete;
    HeldModifiers& operator=(HeldModifiers const&) = delete;

private:
    KeyState m_saved;
};

// The character a key makes when the dialog lets it through, or 0.
char16_t character_of(frontends::KeyPress const& key)
{
    if (key.ctrl && key.vk >= 'A' && key.vk <= 'Z')
        return static_cast<char16_t>(key.vk - 'A' + 1);
    switch (key.vk) {
    case VK_SPACE:
        return u' ';
    case VK_BACK:
        return u'\b';
    default:
        return 0;
    }
}

// The notices the device has now, from its registry's record of this
// process: a registry that cannot be used says that changes are lost, so a
// lost change is told of on its own only when the registry answered.
std::vector<frontends::DeviceNotice> device_notices()
{
    if (registry::RegistryStore::any_problem_reported())
        return { { frontends::NoticeKind::registry_unusable } };
    if (registry::lost_write_count() > 0)
        return { { frontends::NoticeKind::change_not_kept } };
    return {};
}

// Centred as a centring caller places it: in the middle of the screen, even
// where that puts its edges off a screen too small for it, or pulled back to
// the top left there so that its title bar stays on the screen.
bool was_centred(RECT const& window, SIZE screen)
{
    LONG const width = window.right - window.left;
    LONG const height = window.bottom - window.top;
    auto near = [](LONG position, LONG middle) { return std::labs(position - middle) <= 1; };
    LONG const middle_x = (screen.cx - width) / 2;
    LONG const middle_y = (screen.cy - height) / 2;
    return (near(window.left, middle_x) || near(window.left, std::max<LONG>(0, middle_x)))
        && (near(window.top, middle_y) || near(window.top, std::max<LONG>(0, middle_y)));
}

}

ModalLoop::ModalLoop(DialogWindow& dialog, frontends::FrontEnd& front_end)
    : m_dialog(dialog)
    , m_front_end(front_end)
{
}

ModalLoop* ModalLoop::running()
{
    return g_running;
}

bool ModalLoop::is_open() const
{
    return !m_dialog.has_ended() && !m_dialog.is_retired();
}

INT_PTR ModalLoop::run(LPARAM init_param)
{
    m_outer = g_running;
    g_running = this;
    initialise(init_param);
    deliver_posted();

    bool shown = false;
    if (is_open()) {
        // A modal dialog is shown once initialised, whether or not its
        // template says WS_VISIBLE.
        m_dialog.set_style(m_dialog.style() | WS_VISIBLE);
        m_screen = m_front_end.screen_size();
        take_snapshot();
        auto const showing = m_front_end.show(m_view);
        shown = showing.has_value();
        if (!shown) {
            std::fprintf(stderr, "cannot show a dialog: %s\n",
                         text::escape_terminal_controls(showing.error().message).c_str());
            std::fflush(stderr);
            SetLastError(ERROR_NOT_SUPPORTED);
            m_dialog.end(-1);
        }
    }
    while (is_open()) {
        handle(m_front_end.next_event());
        deliver_posted();
        if (is_open()) {
            take_snapshot();
            m_front_end.refresh(m_view);
        }
    }
    if (!m_dialog.has_ended())
        m_dialog.end(-1); // destroyed rather than ended
    if (shown)
        m_front_end.close(m_dialog.result());
    finish();
    g_running = m_outer;
    return m_dialog.result();
}

void ModalLoop::take_snapshot()
{
    m_view = m_dialog.view();
    m_view.screen = m_screen;
    m_view.notices = device_notices();
}

void ModalLoop::initialise(LPARAM init_param)
{
    HWND const first = m_dialog.first_focus_candidate();
    LRESULT const wants_focus
        = SendMessageW(m_dialog.handle(), WM_INITDIALOG, reinterpret_cast<WPARAM>(first), init_param);
    if (!wants_focus || !is_open())
        return;
    // The handler may have changed the controls: look again.
    if (HWND target = m_dialog.first_focus_candidate()) {
        if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
            SendMessageW(target, EM_SETSEL, 0, -1);
        SetFocus(target);
    } else {
        SetFocus(m_dialog.handle());
    }
}

void ModalLoop::finish()
{
    HWND const dialog = m_dialog.handle();
    if (dialog) {
        SendMessageW(dialog, WM_DESTROY, 0, 0);
        SendMessageW(dialog, WM_NCDESTROY, 0, 0);
    }
    HWND const focus = focus_window();
    if (focus && (focus == dialog || m_dialog.control(focus)))
        set_focus_window(nullptr);
    // Messages for windows that are about to go would find nobody.
    auto& queue = posted_messages();
    std::erase_if(queue, [this, dialog](PostedMessage const& m) { return m.hwnd == dialog || m_dialog.control(m.hwnd); });
}

void ModalLoop::deliver_posted()
{
    auto& queue = posted_messages();
    while (!queue.empty() && is_open()) {
        PostedMessage const message = queue.front();
        queue.pop_front();
        SendMessageW(message.hwnd, message.message, message.wparam, message.lparam);
    }
}

void ModalLoop::handle(frontends::InputEvent const& event)
{
    std::visit(Overloaded {
                   [this](frontends::KeyPress const& key) { press_key(key); },
                   [this](frontends::CharInput const& input) { type_character(input.ch); },
                   [this](frontends::PointClick const& click) { click_point(click.point); },
                   [this](frontends::ControlClick const& click) { click_control(click.index, click.offset); },
                   [this](frontends::CaptionClick const& click) { click_caption(click.button); },
                   [this](frontends::CloseRequest const& request) { close(request.final); },
                   [this](frontends::ScreenResize const& change) { resize(change.size); },
                   [this](frontends::PointerPress const& press) { press_pointer(press); },
                   [this](frontends::PointerMove const& move) { move_pointer(move.offset); },
                   [this](frontends::PointerRelease const& release) { release_pointer(release.offset); },
                   [this](frontends::PasteText const& pasted) { paste(pasted.text); },
                   [this](frontends::KeyDown const& key) { key_down({ key.vk, key.shift, key.ctrl }); },
                   [this](frontends::KeyUp const& key) { key_up(focus_window(), key.vk); },
                   [this](frontends::DialogMove const& move) { move_dialog(move.position); },
               },
               event);
}

void ModalLoop::press_key(frontends::KeyPress const& key)
{
    HWND const target = key_down(key);
    if (target)
        key_up(target, key.vk);
}

// WM_KEYUP goes to the window that has the focus as the key comes up (the
// one that got the press, for a KeyPress).
void ModalLoop::key_up(HWND target, UINT vk)
{
    HWND const dialog = m_dialog.handle();
    if (target != dialog && !m_dialog.control(target))
        target = dialog;
    if (is_open() && IsWindow(target))
        SendMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

HWND ModalLoop::key_down(frontends::KeyPress const& key)
{
    HeldModifiers const held(key.shift, key.ctrl);
    HWND const dialog = m_dialog.handle();
    HWND focus = focus_window();
    if (focus != dialog && !m_dialog.control(focus))
        focus = nullptr;
    HWND const target = focus ? focus : dialog;
    LRESULT const code = focus && focus != dialog ? SendMessageW(focus, WM_GETDLGCODE, key.vk, 0) : 0;

    if (!(code & DLGC_WANTMESSAGE)) {
        switch (key.vk) {
        case VK_TAB:
            if (code & DLGC_WANTTAB)
                break;
            SendMessageW(dialog, WM_NEXTDLGCTL, key.shift ? 1 : 0, 0);
            return nullptr;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: {
            if (code & DLGC_WANTARROWS)
                break;
            bool const previous = key.vk == VK_LEFT || key.vk == VK_UP;
            // Labels stay out of arrow navigation: they cannot use the focus.
            HWND const from = focus == dialog ? nullptr : focus;
            HWND next = from;
            bool found = false;
            for (std::size_t step = 0; step < m_dialog.controls().size() && !found; ++step) {
                next = m_dialog.next_group_item(next, previous);
                if (!next || next == from)
                    break;
                found = !(SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_STATIC);
            }
            if (!found)
                next = nullptr;
            if (next && next != focus)
                SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
            return nullptr;
        }
        case VK_ESCAPE: {
            Control* const cancel = m_dialog.control_by_id(IDCANCEL);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(cancel ? cancel->handle() : nullptr));
            return nullptr;
        }
        case VK_RETURN:
            press_enter();
            return nullptr;
        default:
            break;
        }
    }
    SendMessageW(target, WM_KEYDOWN, key.vk, 1);
    if (char16_t const c = character_of(key); c && is_open() && focus_window() == target)
        SendMessageW(target, WM_CHAR, c, 1);
    return target;
}

// Enter presses the focused push button when it is the default-looking one;
// otherwise the dialog's default id (DM_GETDEFID), unless that control is
// disabled; otherwise IDOK.
void ModalLoop::press_enter()
{
    HWND const dialog = m_dialog.handle();
    HWND const focus = focus_window();
    if (m_dialog.control(focus) && (SendMessageW(focus, WM_GETDLGCODE, VK_RETURN, 0) & DLGC_DEFPUSHBUTTON)) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
        return;
    }
    LRESULT const default_id = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(default_id) == DC_HASDEFID) {
        WORD const id = LOWORD(default_id);
        Control* const control = m_dialog.control_by_id(id);
        if (control && !control->is_enabled())
            return;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control ? control->handle() : nullptr));
        return;
    }
    Control* const ok = m_dialog.control_by_id(IDOK);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok ? ok->handle() : nullptr));
}

void ModalLoop::type_character(char32_t character)
{
    switch (character) {
    case U' ':
        press_key({ VK_SPACE, false, false });
        return;
    case U'\t':
        press_key({ VK_TAB, false, false });
        return;
    case U'\r':
    case U'\n':
        press_key({ VK_RETURN, false, false });
        return;
    case 0x1B:
        press_key({ VK_ESCAPE, false, false });
        return;
    case U'\b':
        press_key({ VK_BACK, false, false });
        return;
    default:
        break;
    }
    if (character < 0x20 || character == 0x7F || !text::is_scalar_value(character))
        return;
    HWND target = focus_window();
    if (target != m_dialog.handle() && !m_dialog.control(target))
        target = m_dialog.handle();
    // A character beyond U+FFFF comes as its two halves, one WM_CHAR each.
    text::Utf16Units const units = text::encode_utf16(character);
    for (std::size_t i = 0; i < units.count && (i == 0 || is_open()); ++i)
        SendMessageW(target, WM_CHAR, static_cast<WPARAM>(units.units[i]), 1);
}

// A paste goes to the focused edit as text; no part of it acts as a key.
void ModalLoop::paste(std::u16string const& text)
{
    HWND const focus = focus_window();
    Control* const control = m_dialog.control(focus);
    if (!control || control->control_class() != frontends::ControlClass::Edit)
        return;
    static_cast<EditControl*>(control)->paste_text(text);
}

void ModalLoop::click_control(std::size_t index, POINT offset)
{
    if (index >= m_view.controls.size())
        return;
    Control* const control = m_dialog.control(m_view.controls[index].hwnd);
    if (!control || !control->is_visible() || !control->is_enabled())
        return;
    LPARAM const where = MAKELPARAM(offset.x, offset.y);
    SendMessageW(control->handle(), WM_LBUTTONDOWN, MK_LBUTTON, where);
    if (is_open() && IsWindow(control->handle()))
        SendMessageW(control->handle(), WM_LBUTTONUP, 0, where);
}

// A point on the screen: the control on top under it gets the click.
void ModalLoop::click_point(POINT point)
{
    RECT const client = m_dialog.client_rect_on_screen();
    POINT const inside { point.x - client.left, point.y - client.top };
    if (auto const index = frontends::control_at(m_view, inside)) {
        RECT const& r = m_view.controls[*index].rect;
        click_control(*index, { inside.x - r.left, inside.y - r.top });
    }
}

// The control under a pressed button keeps the mouse until the release, as
// SetCapture gives it to a control on the device.
void ModalLoop::press_pointer(frontends::PointerPress const& press)
{
    m_captured = nullptr;
    if (press.index >= m_view.controls.size())
        return;
    Control* const control = m_dialog.control(m_view.controls[press.index].hwnd);
    if (!control || !control->is_visible() || !control->is_enabled())
        return;
    HeldModifiers const held(press.shift, false);
    m_captured = control->handle();
    WPARAM const keys = MK_LBUTTON | (press.shift ? MK_SHIFT : 0);
    SendMessageW(m_captured, press.double_click ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, keys,
                 MAKELPARAM(press.offset.x, press.offset.y));
}

void ModalLoop::move_pointer(POINT offset)
{
    if (m_captured && IsWindow(m_captured) && m_dialog.control(m_captured))
        SendMessageW(m_captured, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(offset.x, offset.y));
}

void ModalLoop::release_pointer(POINT offset)
{
    HWND const captured = m_captured;
    m_captured = nullptr;
    if (captured && IsWindow(captured) && m_dialog.control(captured))
        SendMessageW(captured, WM_LBUTTONUP, 0, MAKELPARAM(offset.x, offset.y));
}

// Dragged by its title bar, as the window manager moves a captioned window
// that does not say WS_EX_NODRAG.
void ModalLoop::move_dialog(POINT position)
{
    if (!frontends::has_title_bar(m_dialog.style()) || (m_dialog.ex_style() & WS_EX_NODRAG))
        return;
    RECT const window = m_dialog.rect();
    LONG const width = window.right - window.left;
    LONG const height = window.bottom - window.top;
    m_dialog.set_rect({ position.x, position.y, position.x + width, position.y + height });
}

// Only a button the title bar shows can be clicked.
void ModalLoop::click_caption(frontends::CaptionButton button)
{
    HWND const dialog = m_dialog.handle();
    if (!frontends::CaptionButtons(m_dialog.style(), m_dialog.ex_style()).has(button))
        return;
    if (button == frontends::CaptionButton::Ok)
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    else
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// As the close button, whatever the dialog's styles; with nothing more to
// come, a dialog that will not close is ended with IDCANCEL.
void ModalLoop::close(bool final)
{
    SendMessageW(m_dialog.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    deliver_posted();
    if (final && is_open())
        m_dialog.end(IDCANCEL);
}

// A dialog centred on the screen stays centred when the screen changes size,
// even through a screen too small for it (where it sits at the top left).
void ModalLoop::resize(SIZE screen)
{
    RECT const window = m_dialog.rect();
    bool const moved = window.left != m_placed.left || window.top != m_placed.top || window.right != m_placed.right
        || window.bottom != m_placed.bottom;
    if (moved)
        m_centred = was_centred(window, m_screen);
    m_screen = screen;
    if (!m_centred)
        return;
    LONG const width = window.right - window.left;
    LONG const height = window.bottom - window.top;
    LONG const left = std::max<LONG>(0, (screen.cx - width) / 2);
    LONG const top = std::max<LONG>(0, (screen.cy - height) / 2);
    m_placed = { left, top, left + width, top + height };
    m_dialog.set_rect(m_placed);
}

}
