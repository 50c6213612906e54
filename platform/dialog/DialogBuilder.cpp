// Turning a template into windows, as the device's dialog manager does it.
#include "dialog/DialogBuilder.h"

#include "dialog/ButtonControl.h"
#include "dialog/EditControl.h"
#include "dialog/StaticControl.h"
#include "dialog/WindowTable.h"
#include "text/CaseFold.h"

#include <algorithm>
#include <optional>

namespace platform::dialog {

namespace {

enum class Kind { Button, Edit, Static };

// The predefined classes by atom or by name, in any case.
std::optional<Kind> kind_of(resources::NameOrOrdinal const& window_class)
{
    if (window_class.ordinal) {
        switch (*window_class.ordinal) {
        case resources::button_class_atom:
            return Kind::Button;
        case resources::edit_class_atom:
            return Kind::Edit;
        case resources::static_class_atom:
            return Kind::Static;
        default:
            return std::nullopt;
        }
    }
    std::u16string_view const name = window_class.text;
    if (text::same_ignoring_case(name, u"button"))
        return Kind::Button;
    if (text::same_ignoring_case(name, u"edit"))
        return Kind::Edit;
    if (text::same_ignoring_case(name, u"static"))
        return Kind::Static;
    return std::nullopt;
}

std::unique_ptr<Control> make_control(Kind kind, DialogWindow& dialog)
{
    switch (kind) {
    case Kind::Button:
        return std::make_unique<ButtonControl>(dialog);
    case Kind::Edit:
        return std::make_unique<EditControl>(dialog);
    case Kind::Static:
        return std::make_unique<StaticControl>(dialog);
    }
    return nullptr;
}

HICON load_item_icon(HINSTANCE instance, resources::NameOrOrdinal const& title)
{
    HINSTANCE const module = instance ? instance : GetModuleHandleW(nullptr);
    if (title.ordinal)
        return LoadIconW(module, MAKEINTRESOURCEW(*title.ordinal));
    if (title.text.empty())
        return nullptr;
    return LoadIconW(module, title.text.c_str());
}

// The window's place: the template's position is the client area's top left,
// relative to the owner's client area (or the screen), and the frame goes
// around it. DS_CENTER centres it; it is then kept on the screen where it fits.
void place_dialog(DialogWindow& dialog, resources::DialogTemplate const& t, frontends::FrontEnd& front_end)
{
    POINT origin { dialog.map_x(t.x), dialog.map_y(t.y) };
    auto const* owner = dynamic_cast<DialogWindow*>(find_window(dialog.owner()));
    if (owner && !(t.style & DS_ABSALIGN)) {
        RECT const owner_client = owner->client_rect_on_screen();
        origin.x += owner_client.left;
        origin.y += owner_client.top;
    }
    auto const& insets = dialog.insets();
    LONG const width = dialog.map_x(t.cx) + insets.left + insets.right;
    LONG const height = dialog.map_y(t.cy) + insets.top + insets.bottom;
    POINT corner { origin.x - insets.left, origin.y - insets.top };
    SIZE const screen = front_end.screen_size();
    if (t.style & DS_CENTER) {
        corner.x = (screen.cx - width) / 2;
        corner.y = (screen.cy - height) / 2;
    }
    corner.x = std::max<LONG>(0, std::min<LONG>(corner.x, screen.cx - width));
    corner.y = std::max<LONG>(0, std::min<LONG>(corner.y, screen.cy - height));
    dialog.set_rect({ corner.x, corner.y, corner.x + width, corner.y + height });
}

}

std::unique_ptr<DialogWindow> build_dialog(resources::DialogTemplate const& t, HINSTANCE instance, HWND owner,
                                           DLGPROC procedure, frontends::FrontEnd& front_end)
{
    if (!t.menu.empty() || !t.window_class.empty()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto dialog = std::make_unique<DialogWindow>(owner, procedure, instance, front_end);
    // Shown by the modal loop once initialised, not before.
    dialog->set_frame_styles(t.style & ~WS_VISIBLE, t.ex_style);
    dialog->initialise_text(t.caption);
    place_dialog(*dialog, t, front_end);

    for (auto const& item : t.items) {
        auto const kind = kind_of(item.window_class);
        if (!kind) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        auto control = make_control(*kind, *dialog);
        control->set_style((item.style & ~WS_POPUP) | WS_CHILD);
        control->set_ex_style(item.ex_style);
        control->set_id(item.id);
        control->set_dialog_units({ item.x, item.y, item.cx, item.cy });
        LONG const left = dialog->map_x(item.x);
        LONG const top = dialog->map_y(item.y);
        if (!item.title.ordinal)
            control->initialise_text(item.title.text);
        if (auto* picture = dynamic_cast<StaticControl*>(control.get()); picture && picture->shows_icon())
            picture->set_icon(load_item_icon(instance, item.title));
        control->set_rect({ left, top, left + dialog->map_x(item.cx), top + dialog->map_y(item.cy) });
        dialog->add_control(std::move(control));
    }

    // The last BS_DEFPUSHBUTTON of the template is the default; any earlier
    // one goes back to a plain push button. Each says which it is through
    // the dialog protocol (WM_GETDLGCODE), and is changed by it (BM_SETSTYLE).
    Control* default_button = nullptr;
    for (auto const& control : dialog->controls()) {
        if (push_button_of(control->handle()) != PushButton::default_button)
            continue;
        if (default_button) {
            auto const kept = static_cast<DWORD>(GetWindowLongW(default_button->handle(), GWL_STYLE)) & 0xFFFFu;
            SendMessageW(default_button->handle(), BM_SETSTYLE, (kept & ~BS_TYPEMASK) | BS_PUSHBUTTON, FALSE);
        }
        default_button = control.get();
    }
    if (default_button)
        dialog->set_default_id(default_button->id());
    return dialog;
}

}
