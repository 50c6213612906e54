// The window front end (CE_DEVICE_UI=window): one host window showing the
// device's screen, drawn pixel for pixel by the painter at its own resolution
// and shown at a whole-number zoom, with the host's keyboard, text input,
// mouse and clipboard handed to the dialog as the device's own input.
#pragma once

#include "frontends/FrontEnd.h"
#include "frontends/window/Canvas.h"
#include "frontends/window/DeviceFont.h"
#include "frontends/window/DeviceSettings.h"
#include "frontends/window/Painter.h"
#include "frontends/window/PointerCapture.h"
#include "frontends/window/accessibility/AccessibilityLink.h"
#include "frontends/window/XSelection.h"

#include <chrono>
#include <deque>
#include <memory>
#include <optional>

#include <cstdint>

struct SDL_Window;
union SDL_Event;

namespace platform::frontends {

std::unique_ptr<FrontEnd> create_window_front_end();

}

namespace platform::frontends::window {

class WindowFrontEnd final : public FrontEnd {
public:
    WindowFrontEnd() = default;
    ~WindowFrontEnd() override;

    Result<void> check_settings() override;
    bool refused_a_setting() const override { return m_refused_setting; }
    Result<void> prepare() override;
    SIZE screen_size() const override { return m_settings.screen; }
    BaseUnits base_units() const override;
    Insets non_client_insets(DWORD style, DWORD ex_style) const override;
    int text_extent(std::u16string_view text) const override;
    RECT edit_text_rect(RECT const& control, DWORD style) const override;
    Result<void> show(DialogView const& view) override;
    void refresh(DialogView const& view) override;
    InputEvent next_event() override;
    void close(INT_PTR result) override;
    std::u16string clipboard_text() const override;
    void set_clipboard_text(std::u16string_view text) override;
    bool request_clipboard_paste() override;
    void set_selection_text(std::u16string_view text) override;

private:
    using Clock = std::chrono::steady_clock;

    void draw(bool caret_tick);
    void present(std::optional<PixelRect> area);
    void translate(SDL_Event const& event);
    Result<void> fit_to_display(std::string const& display);
    Fonts fonts() const { return { *m_dialog_font, *m_caption_font }; }
    void middle_click(int x, int y);
    bool request_selection(bool primary, std::size_t ahead);
    void show_icons(DialogView const& view);
    std::optional<POINT> to_screen(int window_x, int window_y) const;
    bool caret_blinks() const;
    void restart_caret();

    DeviceSettings m_settings;
    bool m_settings_read { false };
    bool m_screen_given { false };
    bool m_refused_setting { false };
    std::unique_ptr<DeviceFont> m_dialog_font;
    std::unique_ptr<DeviceFont> m_caption_font;
    bool m_video_started { false };

    SDL_Window* m_window { nullptr };
    int m_zoom { 1 };

    std::optional<DialogView> m_view;
    std::optional<Canvas> m_canvas;
    std::optional<Canvas> m_shown;      // what the window shows now
    std::optional<Canvas> m_screenshot; // what the screenshot file holds
    bool m_screenshot_failed { false };

    bool m_active { false };
    bool m_caret_on { true };
    Clock::time_point m_caret_toggle {};

    PointerCapture m_pointer;
    // A closing signal came: the dialog closes, then the signal ends the
    // process as it would have.
    int m_closing_signal { 0 };

    // Pastes the user asked for, answered by the selection's owner. Input
    // that follows one waits for its answer a moment (so that the paste
    // lands before the keys typed after it), but no longer.
    SelectionReader m_selections;
    std::optional<Clock::time_point> m_hold_input_until;
    std::size_t m_ahead_of_hold { 0 }; // waiting events that go out even so

    HICON m_shown_icons[2] { nullptr, nullptr }; // the host window's: small, big

    std::deque<InputEvent> m_pending;

    // Screen readers' view of the dialog, where an accessibility bus can be.
    std::unique_ptr<accessibility::AccessibilityLink> m_accessibility;
};

}
