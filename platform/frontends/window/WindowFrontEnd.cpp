// The window front end on SDL2: the device's screen copied into the window's
// own pixels (no GPU to probe, so the first frame comes quickly), each device
// pixel a whole-number square, only the part that changed handed on; and a
// wait for the next event that sleeps until input comes or the caret blinks.
// The host's events are translated in WindowInput.cpp, the pointer's meaning
// kept by PointerCapture, the zoom by Viewport.
#include "frontends/window/WindowFrontEnd.h"

#include "frontends/window/ClosingSignals.h"
#include "frontends/window/PngFile.h"
#include "frontends/window/Viewport.h"
#include "frontends/window/XErrors.h"
#include "frontends/window/XIcon.h"
#include "resources/Icon.h"
#include "text/TerminalText.h"
#include "text/Utf.h"
#include "windows.h"

#include <SDL.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <vector>
#include <pthread.h>
#include <string_view>

namespace platform::frontends {

std::unique_ptr<FrontEnd> create_window_front_end()
{
    return std::make_unique<window::WindowFrontEnd>();
}

}

namespace platform::frontends::window {

namespace {

// The smallest rectangle holding every pixel that differs, if any does.
std::optional<PixelRect> changed_area(Canvas const& before, Canvas const& after)
{
    int top = -1, bottom = -1, left = after.width(), right = -1;
    std::vector<Rgb> const& a = before.pixels();
    std::vector<Rgb> const& b = after.pixels();
    int const width = after.width();
    for (int y = 0; y < after.height(); ++y) {
        auto const row_a = a.begin() + y * width;
        auto const row_b = b.begin() + y * width;
        if (std::equal(row_a, row_a + width, row_b))
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        for (int x = 0; x < width; ++x) {
            if (row_a[x] != row_b[x]) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (top < 0)
        return std::nullopt;
    return PixelRect { left, top, right - left + 1, bottom - top + 1 };
}

// Input after a paste request waits this long at most for the answer, so
// that keys typed after Ctrl+V land after the pasted text when the owner
// answers at once (as it does when it is this window).
constexpr std::chrono::milliseconds hold_for_paste { 250 };

// The caption as the host's window title, its controls shown as escapes.
std::string host_title(std::u16string_view caption)
{
    return text::escape_terminal_controls(text::to_utf8(caption));
}

}

WindowFrontEnd::~WindowFrontEnd()
{
    close(IDCANCEL);
    if (m_window)
        SDL_DestroyWindow(m_window);
    m_window = nullptr;
    // All of it, the library's D-Bus connection (for input methods) too.
    if (m_video_started)
        SDL_Quit();
}

Result<void> WindowFrontEnd::check_settings()
{
    if (m_settings_read)
        return {};
    auto settings = read_device_settings();
    if (!settings) {
        m_refused_setting = true;
        return settings.error();
    }
    m_settings = std::move(*settings);
    char const* screen = std::getenv("CE_DEVICE_SCREEN");
    m_screen_given = screen && *screen;
    m_settings_read = true;
    return {};
}

// The window never opens larger than the display's work area: a zoom asked
// for that would is brought down to the largest that fits, with a line that
// says so; a screen that does not fit even at zoom 1 cannot be shown.
Result<void> WindowFrontEnd::fit_to_display(std::string const& display)
{
    SDL_Rect usable {};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0)
        return {}; // nothing known to fit it to
    long const width = m_settings.screen.cx, height = m_settings.screen.cy;
    int const fitting = static_cast<int>(std::min<long>({ usable.w / width, usable.h / height, largest_zoom }));
    std::string const area = std::to_string(usable.w) + "x" + std::to_string(usable.h);
    std::string const on = display.empty() ? std::string("the display") : "the display " + display;
    if (fitting < 1) {
        m_refused_setting = m_screen_given;
        std::string const size = std::to_string(width) + "x" + std::to_string(height);
        return Error { (m_screen_given ? "CE_DEVICE_SCREEN=" + size : "the device's screen of " + size)
                       + " does not fit the work area of " + on + " (" + area + "); use a smaller CE_DEVICE_SCREEN" };
    }
    if (m_settings.zoom == 0) {
        m_settings.zoom = std::min(automatic_zoom(m_settings.screen, usable.w, usable.h), fitting);
    } else if (m_settings.zoom > fitting) {
        char const* const program = program_invocation_short_name;
        std::fprintf(stderr, "%s: CE_DEVICE_ZOOM=%d does not fit the work area of %s (%s): zoom %d\n",
                     program && *program ? program : "device", m_settings.zoom, on.c_str(), area.c_str(), fitting);
        m_settings.zoom = fitting;
    }
    return {};
}

Result<void> WindowFrontEnd::prepare()
{
    m_refused_setting = false;
    if (auto checked = check_settings(); !checked)
        return checked;
    char const* x11 = std::getenv("DISPLAY");
    char const* wayland = std::getenv("WAYLAND_DISPLAY");
    char const* driver = std::getenv("SDL_VIDEODRIVER");
    if (!(x11 && *x11) && !(wayland && *wayland) && !(driver && *driver))
        return Error { "no display for the window (neither DISPLAY nor WAYLAND_DISPLAY is set); use CE_DEVICE_UI=terminal or script" };
    auto dialog_font = DeviceFont::open(dialog_font_path, dialog_font_points);
    if (!dialog_font)
        return dialog_font.error();
    auto caption_font = DeviceFont::open(caption_font_path, dialog_font_points);
    if (!caption_font)
        return caption_font.error();
    m_dialog_font = std::move(*dialog_font);
    m_caption_font = std::move(*caption_font);

    // Blocked before the library starts any thread of its own.
    sigset_t const set = closing_signals::set();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &set, &previous);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // Pixels straight into the window (XShm on X11): no GL to load or probe.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // A display the user can see: never a console, framebuffer or
    // off-screen driver the library would try next (unless SDL_VIDEODRIVER
    // asks for one, as tests may).
    bool const chosen_driver = driver && *driver;
    bool const has_x11 = x11 && *x11;
    bool const has_wayland = wayland && *wayland;
    if (!chosen_driver)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, has_x11 && has_wayland ? "x11,wayland" : has_x11 ? "x11" : "wayland");
    std::string const display = has_x11 ? std::string(x11) : has_wayland ? std::string(wayland) : std::string();
    if (has_x11) {
        tolerate_late_wakeups();
        end_process_when_display_lost(x11);
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::string const reason = SDL_GetError();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return Error { "cannot open the display " + (display.empty() ? std::string() : display + " ") + "for the window: "
                       + reason + "; use CE_DEVICE_UI=terminal or script" };
    }
    m_video_started = true;
    char const* const current = SDL_GetCurrentVideoDriver();
    std::string_view const used = current ? current : "";
    if (!chosen_driver && used != "x11" && used != "wayland") {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_video_started = false;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return Error { "no X11 or Wayland display for the window; use CE_DEVICE_UI=terminal or script" };
    }
    if (auto fitted = fit_to_display(display); !fitted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_video_started = false;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return fitted.error();
    }
    closing_signals::watch();
    return {};
}

BaseUnits WindowFrontEnd::base_units() const
{
    return m_dialog_font ? m_dialog_font->base_units() : BaseUnits { 6, 13, 1 };
}

Insets WindowFrontEnd::non_client_insets(DWORD style, DWORD ex_style) const
{
    return dialog_insets(style, ex_style);
}

int WindowFrontEnd::text_extent(std::u16string_view text) const
{
    return m_dialog_font ? m_dialog_font->extent(text) : FrontEnd::text_extent(text);
}

RECT WindowFrontEnd::edit_text_rect(RECT const& control, DWORD style) const
{
    return edit_text_area(control, style);
}

Result<void> WindowFrontEnd::show(DialogView const& view)
{
    if (m_window)
        SDL_DestroyWindow(m_window); // the last dialog's, hidden
    m_window = nullptr;
    m_shown.reset();
    m_view = view;
    m_zoom = m_settings.zoom > 0 ? m_settings.zoom : 1; // fitted to the display by prepare()
    int const width = static_cast<int>(m_settings.screen.cx) * m_zoom;
    int const height = static_cast<int>(m_settings.screen.cy) * m_zoom;
    m_window = SDL_CreateWindow(host_title(view.caption).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                height, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!m_window || !SDL_GetWindowSurface(m_window)) {
        std::string const reason = SDL_GetError();
        close(-1);
        return Error { "cannot create the window: " + reason };
    }
    SDL_SetWindowMinimumSize(m_window, static_cast<int>(m_settings.screen.cx), static_cast<int>(m_settings.screen.cy));
    m_canvas.emplace(static_cast<int>(m_settings.screen.cx), static_cast<int>(m_settings.screen.cy));
    restart_caret();
    draw(false);
    show_icons(view);
    SDL_ShowWindow(m_window);
    present(std::nullopt);
    SDL_StartTextInput();
    set_dialog_open(true);
    if (!m_accessibility)
        m_accessibility = accessibility::AccessibilityLink::start();
    if (m_accessibility)
        m_accessibility->update(view);
    return {};
}

void WindowFrontEnd::refresh(DialogView const& view)
{
    // Nothing to draw after an event that changed nothing (most key releases).
    if (m_view && *m_view == view)
        return;
    if (m_window && (!m_view || m_view->caption != view.caption))
        SDL_SetWindowTitle(m_window, host_title(view.caption).c_str());
    show_icons(view);
    m_view = view;
    restart_caret();
    draw(false);
    if (m_accessibility)
        m_accessibility->update(view);
}

// The host window carries the dialog's icons (WM_SETICON) as the device's
// task bar shows them: every image of each, the small icon's first, each
// transparent where its mask says.
void WindowFrontEnd::show_icons(DialogView const& view)
{
    if (!m_window || (m_shown_icons[0] == view.small_icon && m_shown_icons[1] == view.big_icon))
        return;
    m_shown_icons[0] = view.small_icon;
    m_shown_icons[1] = view.big_icon;
    std::vector<IconPicture> pictures;
    for (HICON const icon : m_shown_icons) {
        for (resources::IconImage const& image : resources::icon_images(icon)) {
            bool const known = std::any_of(pictures.begin(), pictures.end(), [&image](IconPicture const& picture) {
                return picture.width == image.width && picture.height == image.height;
            });
            if (known || image.width <= 0 || image.height <= 0)
                continue;
            pictures.push_back({ image.width, image.height, std::vector<std::uint32_t>(image.pixels.begin(), image.pixels.end()) });
        }
    }
    set_window_icon(m_window, pictures);
}

bool WindowFrontEnd::caret_blinks() const
{
    if (!m_view || !m_active || !m_view->focus)
        return false;
    return m_view->controls[*m_view->focus].control_class == ControlClass::Edit;
}

void WindowFrontEnd::restart_caret()
{
    m_caret_on = true;
    m_caret_toggle = Clock::now() + std::chrono::milliseconds(Metrics::caret_blink_ms);
}

// Paints the screen and shows it if anything changed; the screenshot holds
// the screen with the caret shown, so that it changes only with the dialog.
void WindowFrontEnd::draw(bool caret_tick)
{
    if (!m_view || !m_canvas)
        return;
    Fonts const fonts = this->fonts();
    PaintState state { m_active, m_caret_on, m_pointer.sunk(*m_view) };
    paint_screen(*m_canvas, *m_view, fonts, state);
    if (!m_shown) {
        m_shown = *m_canvas;
        present(std::nullopt);
    } else if (auto const changed = changed_area(*m_shown, *m_canvas)) {
        m_shown = *m_canvas;
        present(changed);
    }
    if (m_settings.screenshot.empty() || caret_tick)
        return;
    if (!state.caret_on || !state.active) {
        state.caret_on = true;
        state.active = true;
        paint_screen(*m_canvas, *m_view, fonts, state);
    }
    if (m_screenshot && m_screenshot->pixels() == m_canvas->pixels())
        return;
    if (auto written = write_png(m_settings.screenshot, *m_canvas); !written) {
        if (!m_screenshot_failed)
            std::fprintf(stderr, "screenshot: %s\n", written.error().message.c_str());
        m_screenshot_failed = true;
        return;
    }
    m_screenshot = *m_canvas;
}

// Copies the shown screen (all of it, or the part that changed) into the
// window at the largest whole zoom that fits, each device pixel a square of
// window pixels, and hands the window system only that part.
void WindowFrontEnd::present(std::optional<PixelRect> area)
{
    if (!m_window || !m_shown)
        return;
    SDL_Surface* const surface = SDL_GetWindowSurface(m_window);
    if (!surface)
        return;
    int const sw = m_shown->width(), sh = m_shown->height();
    Viewport const viewport = Viewport::fit(surface->w, surface->h, sw, sh);
    int const zoom = viewport.zoom;
    Rgb const box = colour(Role::letterbox);
    if (!area) {
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, static_cast<Uint8>(box >> 16),
                                                  static_cast<Uint8>(box >> 8), static_cast<Uint8>(box)));
        area = PixelRect { 0, 0, sw, sh };
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return;
    bool const direct = surface->format->BytesPerPixel == 4
        && (surface->format->format == SDL_PIXELFORMAT_RGB888 || surface->format->format == SDL_PIXELFORMAT_ARGB8888);
    for (int y = area->y; y < area->y + area->h; ++y) {
        for (int x = area->x; x < area->x + area->w; ++x) {
            Rgb const rgb = m_shown->pixel(x, y);
            Uint32 const value = direct ? (rgb | 0xFF000000u)
                                        : SDL_MapRGB(surface->format, static_cast<Uint8>(rgb >> 16),
                                                     static_cast<Uint8>(rgb >> 8), static_cast<Uint8>(rgb));
            for (int dy = 0; dy < zoom; ++dy) {
                int const row = viewport.top + y * zoom + dy;
                if (row < 0 || row >= surface->h)
                    continue;
                auto* const pixels = reinterpret_cast<Uint8*>(surface->pixels) + row * surface->pitch;
                for (int dx = 0; dx < zoom; ++dx) {
                    int const column = viewport.left + x * zoom + dx;
                    if (column >= 0 && column < surface->w)
                        std::memcpy(pixels + column * surface->format->BytesPerPixel, &value,
                                    surface->format->BytesPerPixel);
                }
            }
        }
    }
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    if (area->w == sw && area->h == sh) {
        SDL_UpdateWindowSurface(m_window);
        return;
    }
    PixelRect const changed = viewport.to_window(*area);
    SDL_Rect const rect { changed.x, changed.y, changed.w, changed.h };
    SDL_UpdateWindowSurfaceRects(m_window, &rect, 1);
}

std::optional<POINT> WindowFrontEnd::to_screen(int window_x, int window_y) const
{
    if (!m_window || !m_canvas)
        return std::nullopt;
    SDL_Surface* const surface = SDL_GetWindowSurface(m_window);
    int win_w = 0, win_h = 0;
    SDL_GetWindowSize(m_window, &win_w, &win_h);
    if (!surface || win_w <= 0 || win_h <= 0)
        return std::nullopt;
    POINT const pixel = window_pixel(window_x, window_y, win_w, win_h, surface->w, surface->h);
    return Viewport::fit(surface->w, surface->h, m_canvas->width(), m_canvas->height()).to_screen(pixel.x, pixel.y);
}

InputEvent WindowFrontEnd::next_event()
{
    for (;;) {
        if (m_closing_signal == 0)
            m_closing_signal = closing_signals::take_waiting();
        if (m_closing_signal != 0 || !m_window || !m_view)
            return CloseRequest { true };
        if (auto action = m_accessibility ? m_accessibility->take_action() : std::nullopt)
            return *action;
        Clock::time_point const now = Clock::now();
        if (m_selections.pending() && now >= m_selections.deadline()) {
            m_selections.forget(); // the owner never answered
            m_hold_input_until.reset();
        }
        if (m_hold_input_until && now >= *m_hold_input_until)
            m_hold_input_until.reset();
        if (!m_hold_input_until)
            m_ahead_of_hold = m_pending.size();
        if (m_ahead_of_hold > 0 && !m_pending.empty()) {
            InputEvent const event = m_pending.front();
            m_pending.pop_front();
            --m_ahead_of_hold;
            return event;
        }
        // Asleep until input comes, or the caret blinks, or held input or a
        // paste request has waited long enough.
        std::optional<Clock::time_point> wake;
        auto const sooner = [&wake](Clock::time_point when) { wake = wake ? std::min(*wake, when) : when; };
        if (caret_blinks())
            sooner(m_caret_toggle);
        if (auto const due = m_pointer.drag_scroll_due(*m_view)) {
            if (now >= *due)
                return m_pointer.drag_scroll_step(now);
            sooner(*due);
        }
        if (m_hold_input_until)
            sooner(*m_hold_input_until);
        if (m_selections.pending())
            sooner(m_selections.deadline());
        SDL_Event event {};
        int got = 0;
        if (wake) {
            auto const wait = std::chrono::duration_cast<std::chrono::milliseconds>(*wake - now);
            got = wait.count() > 0 ? SDL_WaitEventTimeout(&event, static_cast<int>(std::min<long long>(wait.count() + 1, 60000)))
                                   : SDL_PollEvent(&event);
            if (!got && caret_blinks() && Clock::now() >= m_caret_toggle) {
                m_caret_on = !m_caret_on;
                m_caret_toggle = Clock::now() + std::chrono::milliseconds(Metrics::caret_blink_ms);
                draw(true);
                continue;
            }
        } else {
            got = SDL_WaitEvent(&event);
        }
        if (got)
            translate(event);
    }
}

void WindowFrontEnd::close(INT_PTR)
{
    // Hidden now, destroyed with the library: a wakeup the library sent its
    // window a moment ago then still finds it.
    if (m_window) {
        SDL_StopTextInput();
        SDL_HideWindow(m_window);
    }
    set_dialog_open(false);
    m_shown.reset();
    m_view.reset();
    m_pointer.reset();
    m_selections.forget();
    m_hold_input_until.reset();
    m_ahead_of_hold = 0;
    m_pending.clear();
    if (m_accessibility)
        m_accessibility->hide();
    // A signal that closed the dialog now ends the process as it would have.
    int const signal = m_closing_signal != 0 ? m_closing_signal : closing_signals::take_waiting();
    m_closing_signal = 0;
    if (signal != 0) {
        std::fflush(nullptr);
        std::signal(signal, SIG_DFL);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        std::raise(signal);
    }
}

std::u16string WindowFrontEnd::clipboard_text() const
{
    if (!m_video_started)
        return FrontEnd::clipboard_text();
    char* text = SDL_GetClipboardText();
    std::u16string result = text ? text::to_utf16(text) : std::u16string();
    SDL_free(text);
    return result;
}

void WindowFrontEnd::set_clipboard_text(std::u16string_view text)
{
    if (!m_video_started) {
        FrontEnd::set_clipboard_text(text);
        return;
    }
    SDL_SetClipboardText(text::to_utf8(text).c_str());
}

// Asks the selection's owner for its text without waiting for it: true
// when the answer will come as an event (or there is nothing to paste).
bool WindowFrontEnd::request_selection(bool primary, std::size_t ahead)
{
    switch (m_selections.request(m_window, primary)) {
    case SelectionReader::Request::asked:
        m_hold_input_until = Clock::now() + hold_for_paste;
        m_ahead_of_hold = std::min(ahead, m_pending.size());
        return true;
    case SelectionReader::Request::no_owner: return true;
    case SelectionReader::Request::not_x11: return false;
    }
    return false;
}

// Asked while the dialog handles the Ctrl+V: everything already waiting
// came after it.
bool WindowFrontEnd::request_clipboard_paste()
{
    return request_selection(false, 0);
}

void WindowFrontEnd::set_selection_text(std::u16string_view text)
{
    if (m_video_started && !text.empty())
        SDL_SetPrimarySelectionText(text::to_utf8(text).c_str());
}

}
