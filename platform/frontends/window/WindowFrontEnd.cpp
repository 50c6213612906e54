// The window front end on SDL2: the device's screen copied into the window's
// own pixels (no GPU to probe, so the first frame comes quickly), each device
// pixel a whole-number square, only the part that changed handed on; and a
// wait for the next event that sleeps until input comes or the caret blinks.
#include "frontends/window/WindowFrontEnd.h"

#include "frontends/window/PngFile.h"
#include "frontends/window/XErrors.h"
#include "frontends/window/XIcon.h"
#include "resources/Icon.h"
#include "text/Utf.h"
#include "windows.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <vector>
#include <pthread.h>
#include <string_view>
#include <mutex>
#include <thread>

namespace platform::frontends {

std::unique_ptr<FrontEnd> create_window_front_end()
{
    return std::make_unique<window::WindowFrontEnd>();
}

}

namespace platform::frontends::window {

namespace {

// SIGTERM, SIGINT and SIGHUP close the dialog as its close button does. They
// are blocked in every thread and taken by one watcher thread with sigwait,
// which wakes the event loop with an event of its own; so no signal handler
// ever runs inside the windowing library.
std::atomic<int> g_signal { 0 };
std::atomic<Uint32> g_signal_event { 0 };

sigset_t closing_signals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

void watch_signals()
{
    static std::once_flag started;
    std::call_once(started, [] {
        std::thread([] {
            sigset_t const set = closing_signals();
            for (;;) {
                int signal = 0;
                if (sigwait(&set, &signal) != 0)
                    continue;
                g_signal = signal;
                if (Uint32 const type = g_signal_event.load()) {
                    SDL_Event event {};
                    event.type = type;
                    SDL_PushEvent(&event);
                }
            }
        }).detach();
    });
}

// The host window's title: the caption, with characters that would act as
// controls in a window manager's title shown as their visible pictures.
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

std::string host_title(std::u16string_view caption)
{
    std::u16string shown;
    shown.reserve(caption.size());
    for (char16_t c : caption) {
        if (c < 0x20)
            shown += static_cast<char16_t>(0x2400 + c);
        else if (c == 0x7F)
            shown += u'\u2421';
        else if ((c >= 0x80 && c < 0xA0) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069))
            shown += u'\uFFFD';
        else
            shown += c;
    }
    return text::to_utf8(shown);
}

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
    if (auto error = read_device_settings(m_settings)) {
        m_refused_setting = true;
        return Error { *error };
    }
    char const* screen = std::getenv("CE_DEVICE_SCREEN");
    m_screen_given = screen && *screen;
    m_settings_read = true;
    return {};
}

// The window never opens larger than the display's work area: a zoom asked
// for that would is brought down to the largest that fits, with a line that
// says so; a screen that does not fit even at zoom 1 cannot be shown.
std::optional<std::string> WindowFrontEnd::fit_to_display(std::string const& display)
{
    SDL_Rect usable {};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0)
        return std::nullopt; // nothing known to fit it to
    long const width = m_settings.screen.cx, height = m_settings.screen.cy;
    int const fitting = static_cast<int>(std::min<long>({ usable.w / width, usable.h / height, largest_zoom }));
    std::string const area = std::to_string(usable.w) + "x" + std::to_string(usable.h);
    std::string const on = display.empty() ? std::string("the display") : "the display " + display;
    if (fitting < 1) {
        m_refused_setting = m_screen_given;
        std::string const size = std::to_string(width) + "x" + std::to_string(height);
        return (m_screen_given ? "CE_DEVICE_SCREEN=" + size : "the device's screen of " + size)
            + " does not fit the work area of " + on + " (" + area + "); use a smaller CE_DEVICE_SCREEN";
    }
    if (m_settings.zoom == 0) {
        m_settings.zoom = std::min(automatic_zoom(m_settings.screen, usable.w, usable.h), fitting);
    } else if (m_settings.zoom > fitting) {
        char const* const program = program_invocation_short_name;
        std::fprintf(stderr, "%s: CE_DEVICE_ZOOM=%d does not fit the work area of %s (%s): zoom %d\n",
                     program && *program ? program : "device", m_settings.zoom, on.c_str(), area.c_str(), fitting);
        m_settings.zoom = fitting;
    }
    return std::nullopt;
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
    std::string error;
    m_dialog_font = DeviceFont::open(dialog_font_path, dialog_font_points, error);
    if (m_dialog_font)
        m_caption_font = DeviceFont::open(caption_font_path, dialog_font_points, error);
    if (!m_dialog_font || !m_caption_font)
        return Error { error };

    // Blocked before the library starts any thread of its own.
    sigset_t const set = closing_signals();
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
    if (auto refusal = fit_to_display(display)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_video_started = false;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return Error { *refusal };
    }
    g_signal_event = SDL_RegisterEvents(1);
    watch_signals();
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

bool WindowFrontEnd::drag_scrolls() const
{
    if (!m_view || !m_held || !m_held_offset || m_held->kind != Target::Kind::control
        || m_held->index >= m_view->controls.size())
        return false;
    RECT const& r = m_view->controls[m_held->index].rect;
    return m_held_offset->x < 0 || m_held_offset->x >= r.right - r.left;
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
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    PaintState state { m_active, m_caret_on, std::nullopt };
    if (m_held && m_held_over && m_held->kind != Target::Kind::nothing) {
        bool const pushable = m_held->kind != Target::Kind::control
            || m_view->controls[m_held->index].control_class == ControlClass::Button;
        if (pushable)
            state.sunk = m_held;
    }
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
    if (auto error = write_png(m_settings.screenshot, *m_canvas)) {
        if (!m_screenshot_failed)
            std::fprintf(stderr, "screenshot: %s\n", error->c_str());
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
    int const zoom = std::max(1, std::min(surface->w / std::max(sw, 1), surface->h / std::max(sh, 1)));
    int const left = (surface->w - sw * zoom) / 2, top = (surface->h - sh * zoom) / 2;
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
                int const row = top + y * zoom + dy;
                if (row < 0 || row >= surface->h)
                    continue;
                auto* const pixels = reinterpret_cast<Uint8*>(surface->pixels) + row * surface->pitch;
                for (int dx = 0; dx < zoom; ++dx) {
                    int const column = left + x * zoom + dx;
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
    SDL_Rect const rect { left + area->x * zoom, top + area->y * zoom, area->w * zoom, area->h * zoom };
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
    int const out_w = surface->w, out_h = surface->h;
    int const sw = m_canvas->width(), sh = m_canvas->height();
    int const zoom = std::max(1, std::min(out_w / std::max(sw, 1), out_h / std::max(sh, 1)));
    long const px = static_cast<long>(window_x) * out_w / win_w - (out_w - sw * zoom) / 2;
    long const py = static_cast<long>(window_y) * out_h / win_h - (out_h - sh * zoom) / 2;
    auto floor_div = [](long a, long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    return POINT { static_cast<LONG>(floor_div(px, zoom)), static_cast<LONG>(floor_div(py, zoom)) };
}

POINT WindowFrontEnd::control_offset(std::size_t index, POINT screen) const
{
    RECT const& client = m_view->client_rect;
    RECT const& r = m_view->controls[index].rect;
    return { screen.x - client.left - r.left, screen.y - client.top - r.top };
}

bool WindowFrontEnd::pointer_over_held(POINT screen) const
{
    if (!m_held || !m_view)
        return false;
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    ScreenGeometry const geometry = screen_geometry(*m_view, fonts);
    switch (m_held->kind) {
    case Target::Kind::caption_ok:
        return geometry.caption_ok && geometry.caption_ok->contains(screen.x, screen.y);
    case Target::Kind::caption_close:
        return geometry.caption_close && geometry.caption_close->contains(screen.x, screen.y);
    case Target::Kind::control: {
        RECT const& r = m_view->controls[m_held->index].rect;
        POINT const offset = control_offset(m_held->index, screen);
        return offset.x >= 0 && offset.y >= 0 && offset.x < r.right - r.left && offset.y < r.bottom - r.top;
    }
    case Target::Kind::caption:
    case Target::Kind::nothing: return false;
    }
    return false;
}

void WindowFrontEnd::pointer_down(int x, int y, bool shift, std::uint32_t time)
{
    auto const screen = to_screen(x, y);
    if (!screen || !m_view)
        return;
    // A second press soon after the first, within a few pixels of it, is a
    // double click; a third starts again.
    bool double_click = false;
    if (m_last_press && time - m_last_press->time <= static_cast<std::uint32_t>(Metrics::double_click_ms)
        && std::labs(screen->x - m_last_press->point.x) <= Metrics::double_click_width / 2
        && std::labs(screen->y - m_last_press->point.y) <= Metrics::double_click_height / 2) {
        double_click = true;
        m_last_press.reset();
    } else {
        m_last_press = LastPress { time, *screen };
    }
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    Target const target = hit_test(*m_view, screen_geometry(*m_view, fonts), screen->x, screen->y);
    if (target.kind == Target::Kind::nothing)
        return;
    if (target.kind == Target::Kind::caption) {
        POINT const origin { m_view->window_rect.left, m_view->window_rect.top };
        m_drag = CaptionDrag { *screen, origin, origin };
        return;
    }
    m_held = target;
    m_held_over = true;
    m_held_offset.reset();
    if (target.kind == Target::Kind::control) {
        auto const& control = m_view->controls[target.index];
        if (!control.enabled || control.control_class == ControlClass::Static) {
            m_held.reset();
            return;
        }
        m_pending.push_back(PointerPress { target.index, control_offset(target.index, *screen), shift, double_click });
    }
    draw(false);
}

// The middle button pastes X's PRIMARY selection where it is pressed in a
// field, as in every X program.
void WindowFrontEnd::middle_click(int x, int y)
{
    auto const screen = to_screen(x, y);
    if (!screen || !m_view || m_held || m_drag)
        return;
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    Target const target = hit_test(*m_view, screen_geometry(*m_view, fonts), screen->x, screen->y);
    if (target.kind != Target::Kind::control)
        return;
    auto const& control = m_view->controls[target.index];
    if (!control.enabled || control.control_class != ControlClass::Edit)
        return;
    POINT const offset = control_offset(target.index, *screen);
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

void WindowFrontEnd::pointer_moved(int x, int y)
{
    if (m_drag) {
        auto const screen = to_screen(x, y);
        if (!screen)
            return;
        // The pointer is held to the screen, so that the title bar stays
        // within reach.
        LONG const px = std::clamp<LONG>(screen->x, 0, m_settings.screen.cx - 1);
        LONG const py = std::clamp<LONG>(screen->y, 0, m_settings.screen.cy - 1);
        POINT const to { m_drag->origin.x + px - m_drag->grab.x, m_drag->origin.y + py - m_drag->grab.y };
        if (to.x != m_drag->last.x || to.y != m_drag->last.y) {
            m_drag->last = to;
            m_pending.push_back(DialogMove { to });
        }
        return;
    }
    if (!m_held)
        return;
    auto const screen = to_screen(x, y);
    if (!screen)
        return;
    bool const over = pointer_over_held(*screen);
    if (m_held->kind == Target::Kind::control
        && m_view->controls[m_held->index].control_class == ControlClass::Edit) {
        m_held_offset = control_offset(m_held->index, *screen);
        m_pending.push_back(PointerMove { *m_held_offset });
        m_drag_scroll_next = Clock::now() + drag_scroll_pace;
    }
    if (over != m_held_over) {
        m_held_over = over;
        draw(false);
    }
}

void WindowFrontEnd::pointer_up(int x, int y)
{
    if (m_drag) {
        pointer_moved(x, y);
        m_drag.reset();
        return;
    }
    if (!m_held)
        return;
    Target const held = *m_held;
    auto const screen = to_screen(x, y);
    bool const over = screen && pointer_over_held(*screen);
    m_held.reset();
    m_held_offset.reset();
    m_held_over = false;
    switch (held.kind) {
    case Target::Kind::caption_ok:
        if (over)
            m_pending.push_back(CaptionClick { CaptionButton::Ok });
        break;
    case Target::Kind::caption_close:
        if (over)
            m_pending.push_back(CaptionClick { CaptionButton::Close });
        break;
    case Target::Kind::control:
        // Released outside, the offset lies outside the control and the
        // control does nothing.
        m_pending.push_back(PointerRelease { screen ? control_offset(held.index, *screen) : POINT { -1, -1 } });
        break;
    case Target::Kind::caption:
    case Target::Kind::nothing: break;
    }
    draw(false);
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
        std::u16string const text = text::to_utf16(event.text.text);
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t c = text[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            }
            if (c >= 0x20 && c != 0x7F)
                m_pending.push_back(CharInput { c });
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

InputEvent WindowFrontEnd::next_event()
{
    for (;;) {
        if (g_signal.load() != 0 || !m_window || !m_view)
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
        if (drag_scrolls()) {
            if (now >= m_drag_scroll_next) {
                m_drag_scroll_next = now + drag_scroll_pace;
                return PointerMove { *m_held_offset };
            }
            sooner(m_drag_scroll_next);
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
    m_held.reset();
    m_drag.reset();
    m_last_press.reset();
    m_selections.forget();
    m_hold_input_until.reset();
    m_ahead_of_hold = 0;
    m_pending.clear();
    if (m_accessibility)
        m_accessibility->hide();
    // A signal that closed the dialog now ends the process as it would have.
    if (int const signal = g_signal.exchange(0)) {
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
