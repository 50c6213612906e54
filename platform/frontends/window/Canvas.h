// The device's screen as pixels: a width x height array of 0xRRGGBB values
// with a clip rectangle that every drawing operation keeps to.
#pragma once

#include "frontends/window/Palette.h"

#include <cstdint>
#include <vector>

namespace platform::frontends::window {

struct PixelRect {
    int x { 0 };
    int y { 0 };
    int w { 0 };
    int h { 0 };

    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
    PixelRect inset(int by) const { return { x + by, y + by, w - 2 * by, h - 2 * by }; }
    bool operator==(PixelRect const&) const = default;
};

PixelRect intersect(PixelRect const& a, PixelRect const& b);

class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    std::vector<Rgb> const& pixels() const { return m_pixels; }
    Rgb pixel(int x, int y) const { return m_pixels[static_cast<std::size_t>(y * m_width + x)]; }

    // Drawing keeps inside this rectangle (and the canvas).
    PixelRect clip() const { return m_clip; }
    void set_clip(PixelRect const& clip);
    void reset_clip() { m_clip = { 0, 0, m_width, m_height }; }

    void put(int x, int y, Rgb rgb);
    void fill(PixelRect const& rect, Rgb rgb);
    void horizontal(int x, int y, int length, Rgb rgb);
    void vertical(int x, int y, int length, Rgb rgb);
    // Every pixel of `rect` inverted (a caret over any colour).
    void invert(PixelRect const& rect);
    // A one-pixel outline.
    void frame(PixelRect const& rect, Rgb rgb);
    // Every other pixel of the outline inverted, starting at the top left: a
    // second call removes it again.
    void dotted_invert(PixelRect const& rect);

private:
    int m_width;
    int m_height;
    PixelRect m_clip;
    std::vector<Rgb> m_pixels;
};

// Keeps a canvas's clip and restores it when it goes.
class ClipScope {
public:
    ClipScope(Canvas& canvas, PixelRect const& clip)
        : m_canvas(canvas)
        , m_saved(canvas.clip())
    {
        canvas.set_clip(intersect(m_saved, clip));
    }
    ~ClipScope() { m_canvas.set_clip(m_saved); }
    ClipScope(ClipScope const&) = delete;
    ClipScope& operator=(ClipScope const&) = delete;

private:
    Canvas& m_canvas;
    PixelRect m_saved;
};

}
