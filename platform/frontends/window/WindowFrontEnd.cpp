// The window front end on SDL2: the device's screen copied into the window's
// own pixels (no GPU to probe, so the first frame comes quickly), each device
// pixel a whole-number square, only the part that changed handed on; and a
// wait for the next event that sleeps until input comes or the caret blinks.
#include "frontends/window/WindowFrontEnd.h"

#include "frontends/window/PngFile.h"
#include "frontends/window/XErrors.h"
#include "text/Utf.h"
#include "windows.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

std::optional<std::string> WindowFrontEnd::prepare()
{
    if (auto error = read_device_settings(m_settings))
        return error;
    char const* x11 = std::getenv("DISPLAY");
    char const* wayland = std::getenv("WAYLAND_DISPLAY");
    char const* driver = std::getenv("SDL_VIDEODRIVER");
    if (!(x11 && *x11) && !(wayland && *wayland) && !(driver && *driver))
        return "no display for the window (neither DISPLAY nor WAYLAND_DISPLAY is set); use CE_DEVICE_UI=terminal or script";
    std::string error;
    m_dialog_font = DeviceFont::open(dialog_font_path, dialog_font_points, error);
    if (m_dialog_font)
        m_caption_font = DeviceFont::open(caption_font_path, dialog_font_points, error);
    if (!m_dialog_font || !m_caption_font)
        return error;

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
    if (has_x11)
        tolerate_late_wakeups();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::string const reason = SDL_GetError();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        std::string const display = has_x11 ? std::string(x11) : has_wayland ? std::string(wayland) : std::string();
        return "cannot open the display " + (display.empty() ? std::string() : display + " ") + "for the window: "
            + reason + "; use CE_DEVICE_UI=terminal or script";
    }
    m_video_started = true;
    char const* const current = SDL_GetCurrentVideoDriver();
    std::string_view const used = current ? current : "";
    if (!chosen_driver && used != "x11" && used != "wayland") {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_video_started = false;
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return "no X11 or Wayland display for the window; use CE_DEVICE_UI=terminal or script";
    }
    g_signal_event = SDL_RegisterEvents(1);
    watch_signals();
    return std::nullopt;
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

bool WindowFrontEnd::show(DialogView const& view)
{
    if (m_window)
        SDL_DestroyWindow(m_window); // the last dialog's, hidden
    m_window = nullptr;
    m_shown.reset();
    m_view = view;
    m_zoom = m_settings.zoom;
    if (m_zoom == 0) {
        SDL_Rect usable {};
        m_zoom = SDL_GetDisplayUsableBounds(0, &usable) == 0 ? automatic_zoom(m_settings.screen, usable.w, usable.h) : 1;
    }
    int const width = static_cast<int>(m_settings.screen.cx) * m_zoom;
    int const height = static_cast<int>(m_settings.screen.cy) * m_zoom;
    m_window = SDL_CreateWindow(host_title(view.caption).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                height, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!m_window || !SDL_GetWindowSurface(m_window)) {
        std::fprintf(stderr, "cannot show a dialog: cannot create the window: %s\n", SDL_GetError());
        close(-1);
        return false;
    }
    SDL_SetWindowMinimumSize(m_window, static_cast<int>(m_settings.screen.cx), static_cast<int>(m_settings.screen.cy));
    m_canvas.emplace(static_cast<int>(m_settings.screen.cx), static_cast<int>(m_settings.screen.cy));
    restart_caret();
    draw(false);
    SDL_ShowWindow(m_window);
    present(std::nullopt);
    SDL_StartTextInput();
    if (!m_accessibility)
        m_accessibility = accessibility::AccessibilityLink::start();
    if (m_accessibility)
        m_accessibility->update(view);
    return true;
}

void WindowFrontEnd::refresh(DialogView const& view)
{
    if (m_window && (!m_view || m_view->caption != view.caption))
        SDL_SetWindowTitle(m_window, host_title(view.caption).c_str());
    m_view = view;
    restart_caret();
    draw(false);
    if (m_accessibility)
        m_accessibility->update(view);
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
    case Target::Kind::nothing: return false;
    }
    return false;
}

void WindowFrontEnd::pointer_down(int x, int y, bool shift, bool double_click)
{
    auto const screen = to_screen(x, y);
    if (!screen || !m_view)
        return;
    Fonts const fonts { *m_dialog_font, *m_caption_font };
    Target const target = hit_test(*m_view, screen_geometry(*m_view, fonts), screen->x, screen->y);
    if (target.kind == Target::Kind::nothing)
        return;
    m_held = target;
    m_held_over = true;
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

void WindowFrontEnd::pointer_moved(int x, int y)
{
    if (!m_held)
        return;
    auto const screen = to_screen(x, y);
    if (!screen)
        return;
    bool const over = pointer_over_held(*screen);
    if (m_held->kind == Target::Kind::control
        && m_view->controls[m_held->index].control_class == ControlClass::Edit) {
        m_pending.push_back(PointerMove { control_offset(m_held->index, *screen) });
    }
    if (over != m_held_over) {
        m_held_over = over;
        draw(false);
    }
}

void WindowFrontEnd::pointer_up(int x, int y)
{
    if (!m_held)
        return;
    Target const held = *m_held;
    auto const screen = to_screen(x, y);
    bool const over = screen && pointer_over_held(*screen);
    m_held.reset();
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
    switch (event.type) {
    case SDL_KEYDOWN: {
        SDL_Keymod const mod = static_cast<SDL_Keymod>(event.key.keysym.mod);
        bool const shift = (mod & KMOD_SHIFT) != 0;
        bool const ctrl = (mod & KMOD_CTRL) != 0;
        bool const alt = (mod & KMOD_ALT) != 0;
        SDL_Keycode const key = event.key.keysym.sym;
        if (UINT const vk = virtual_key(key)) {
            if (!alt)
                m_pending.push_back(KeyPress { vk, shift, ctrl });
        } else if (ctrl && !alt && key >= SDLK_a && key <= SDLK_z) {
            m_pending.push_back(KeyPress { static_cast<UINT>('A' + (key - SDLK_a)), shift, true });
        }
        break;
    }
    case SDL_TEXTINPUT: {
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
            pointer_down(event.button.x, event.button.y, shift, event.button.clicks >= 2 && event.button.clicks % 2 == 0);
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
        if (!m_pending.empty()) {
            InputEvent const event = m_pending.front();
            m_pending.pop_front();
            return event;
        }
        SDL_Event event {};
        int got = 0;
        if (caret_blinks()) {
            auto const wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_caret_toggle - Clock::now());
            got = wait.count() > 0 ? SDL_WaitEventTimeout(&event, static_cast<int>(wait.count())) : SDL_PollEvent(&event);
            if (!got && Clock::now() >= m_caret_toggle) {
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
    m_shown.reset();
    m_view.reset();
    m_held.reset();
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

}
