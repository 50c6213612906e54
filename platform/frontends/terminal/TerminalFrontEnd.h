// The terminal front end (CE_DEVICE_UI=terminal, the default): draws the
// dialog with curses in the terminal the program runs in, and reads its keys
// and mouse clicks. One cell is 3/8 of a dialog unit across and 1/8 down.
#pragma once

#include "frontends/FrontEnd.h"
#include "frontends/terminal/Canvas.h"
#include "frontends/terminal/CursesScreen.h"
#include "frontends/terminal/DialogPainter.h"
#include "frontends/terminal/TerminalSession.h"

#include <memory>
#include <optional>

namespace platform::frontends {

std::unique_ptr<FrontEnd> create_terminal_front_end();

}

namespace platform::frontends::terminal {

class TerminalFrontEnd final : public FrontEnd {
public:
    TerminalFrontEnd() = default;
    ~TerminalFrontEnd() override;

    std::optional<std::string> prepare() override;
    SIZE screen_size() const override;
    BaseUnits base_units() const override;
    Insets non_client_insets(DWORD style, DWORD ex_style) const override;
    int text_extent(std::u16string_view text) const override;
    RECT edit_text_rect(RECT const& control, DWORD style) const override;
    bool show(DialogView const& view) override;
    void refresh(DialogView const& view) override;
    InputEvent next_event() override;
    void close(INT_PTR result) override;

private:
    void draw();
    std::optional<InputEvent> mouse_event();

    Charset m_charset { Charset::ascii };
    TerminalSession m_session;
    std::unique_ptr<CursesScreen> m_screen;
    std::optional<DialogView> m_view;
    DialogGeometry m_geometry;
};

}
