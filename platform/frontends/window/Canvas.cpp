// Pixel drawing with clipping.
#include "frontends/window/Canvas.h"

#include <algorithm>

namespace platform::frontends::window {

PixelRect intersect(PixelRect const& a, PixelRect const& b)
{
    int const left = std::max(a.x, b.x);
    int const top = std::max(a.y, b.y);
    int const right = std::min(a.x + a.w, b.x + b.w);
    int const bottom = std::min(a.y + a.h, b.y + b.h);
    if (right <= left || bottom <= top)
        return { left, top, 0, 0 };
    return { left, top, right - left, bottom - top };
}

Canvas::Canvas(int width, int height)
    : m_width(std::max(width, 0))
    , m_height(std::max(height, 0))
    , m_clip { 0, 0, m_width, m_height }
    , m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0)
{
}

void Canvas::set_clip(PixelRect const& clip)
{
    m_clip = intersect(clip, { 0, 0, m_width, m_height });
}

void Canvas::put(int x, int y, Rgb rgb)
{
    if (m_clip.contains(x, y))
        m_pixels[static_cast<std::size_t>(y * m_width + x)] = rgb;
}

void Canvas::fill(PixelRect const& rect, Rgb rgb)
{
    PixelRect const r = intersect(rect, m_clip);
    for (int y = r.y; y < r.y + r.h; ++y)
        std::fill_n(m_pixels.begin() + y * m_width + r.x, r.w, rgb);
}

void Canvas::invert(PixelRect const& rect)
{
    PixelRect const r = intersect(rect, m_clip);
    for (int y = r.y; y < r.y + r.h; ++y) {
        for (int x = r.x; x < r.x + r.w; ++x)
            m_pixels[static_cast<std::size_t>(y * m_width + x)] ^= 0xFFFFFF;
    }
}

void Canvas::horizontal(int x, int y, int length, Rgb rgb)
{
    fill({ x, y, length, 1 }, rgb);
}

void Canvas::vertical(int x, int y, int length, Rgb rgb)
{
    fill({ x, y, 1, length }, rgb);
}

void Canvas::frame(PixelRect const& rect, Rgb rgb)
{
    if (rect.w <= 0 || rect.h <= 0)
        return;
    horizontal(rect.x, rect.y, rect.w, rgb);
    horizontal(rect.x, rect.y + rect.h - 1, rect.w, rgb);
    vertical(rect.x, rect.y, rect.h, rgb);
    vertical(rect.x + rect.w - 1, rect.y, rect.h, rgb);
}

void Canvas::dotted_invert(PixelRect const& rect)
{
    if (rect.w <= 0 || rect.h <= 0)
        return;
    auto invert = [this](int x, int y) {
        if (m_clip.contains(x, y)) {
            auto& p = m_pixels[static_cast<std::size_t>(y * m_width + x)];
            p ^= 0xFFFFFF;
        }
    };
    // Pixels whose coordinates add up to an even number, so that the dots
    // of the four sides line up at the corners without one being hit twice.
    int const right = rect.x + rect.w - 1;
    int const bottom = rect.y + rect.h - 1;
    for (int x = rect.x; x <= right; ++x) {
        if ((x + rect.y) % 2 == 0)
            invert(x, rect.y);
        if (bottom != rect.y && (x + bottom) % 2 == 0)
            invert(x, bottom);
    }
    for (int y = rect.y + 1; y < bottom; ++y) {
        if ((rect.x + y) % 2 == 0)
            invert(rect.x, y);
        if (right != rect.x && (right + y) % 2 == 0)
            invert(right, y);
    }
}

}
