// The terminal front end (CE_DEVICE_UI=terminal): draws the dialog with
// curses in the terminal the program runs in (its controlling terminal when
// standard input or output goes elsewhere), and reads its keys, pastes and
// mouse clicks. One cell is 3/8 of a dialog unit across and 1/8 down.
#pragma once

#include "frontends/FrontEnd.h"
#include "frontends/terminal/Canvas.h"
#include "frontends/terminal/CursesScreen.h"
#include "frontends/terminal/DialogPainter.h"
#include "frontends/terminal/KeyDecoder.h"
#include "frontends/terminal/TerminalSession.h"

#include <chrono>
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

    Result<void> prepare() override;
    SIZE screen_size() const override;
    BaseUnits base_units() const override;
    Insets non_client_insets(DWORD style, DWORD ex_style) const override;
    int text_extent(std::u16string_view text) const override;
    RECT edit_text_rect(RECT const& control, DWORD style) const override;
    Result<void> show(DialogView const& view) override;
    void refresh(DialogView const& view) override;
    InputEvent next_event() override;
    void close(INT_PTR result) override;

private:
    void draw();
    void draw_unless_input_waits();
    std::optional<InputEvent> event_for(DecodedKey const& key);
    std::optional<InputEvent> click_event(int col, int row);

    Charset m_charset { Charset::ascii };
    KeyDecoder m_decoder;
    int m_escape_delay_ms { 100 };
    std::chrono::steady_clock::time_point m_last_input {};
    TerminalSession m_session;
    std::unique_ptr<CursesScreen> m_screen;
    std::optional<DialogView> m_view;
    bool m_dirty { false };
    std::chrono::steady_clock::time_point m_last_draw {};
    Canvas m_canvas { 0, 0 };
    Canvas m_scratch { 0, 0 };
    DialogGeometry m_geometry;
};

}
