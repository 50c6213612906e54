// The dialog font of the device's screen: the template's "System" 8-point font
// drawn with DejaVu Sans Condensed (Debian's fonts-dejavu-extra) at 96 DPI,
// whose dialog base units come out at 6 x 13, as the device's own Tahoma 8
// gives. Glyphs are drawn without smoothing, as the device draws them.
//
// Every character of a text is drawn as something visible: control and format
// characters, unpaired surrogates and characters the font lacks show as a
// small framed box holding their code in hexadecimal, never as nothing.
#pragma once

#include "frontends/FrontEnd.h"
#include "frontends/window/Canvas.h"
#include "text/Result.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct _TTF_Font TTF_Font;

namespace platform::frontends::window {

// The font files, from Debian's fonts-dejavu-extra.
inline constexpr char const* dialog_font_path = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf";
inline constexpr char const* caption_font_path = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
inline constexpr int dialog_font_points = 8;
inline constexpr int screen_dpi = 96;

class DeviceFont {
public:
    // The font at `path`, `points` high at 96 DPI.
    static Result<std::unique_ptr<DeviceFont>> open(char const* path, int points);
    ~DeviceFont();
    DeviceFont(DeviceFont const&) = delete;
    DeviceFont& operator=(DeviceFont const&) = delete;

    // The height of a line (tmHeight).
    int height() const { return m_height; }

    // Dialog base units as the device computes them: the width of the 52
    // letters A-Z and a-z divided by 52, rounded, and the font's height.
    BaseUnits base_units() const;

    // The width of `text` as drawn.
    int extent(std::u16string_view text) const;

    // Draws `text` with its top-left corner at x, y, stopping once a glyph
    // would start at or past `stop_x`. Returns the x after the last glyph
    // drawn.
    int draw(Canvas& canvas, int x, int y, std::u16string_view text, Rgb rgb, int stop_x = 1 << 30) const;

    // One drawn piece of a text: the code point it shows and how many UTF-16
    // code units it stands for.
    struct Piece {
        char32_t code { 0 };
        std::size_t units { 1 };
        bool boxed { false };
    };
    // The piece that starts at `index` of `text`.
    Piece piece_at(std::u16string_view text, std::size_t index) const;
    int advance(Piece const& piece) const;

private:
    struct Glyph {
        int advance { 0 };
        int left { 0 };
        int width { 0 };
        int rows { 0 };
        std::vector<std::uint8_t> ink; // width x rows, 1 where the glyph is drawn
    };

    explicit DeviceFont(TTF_Font* font);
    Glyph const& glyph(char32_t code) const;
    bool is_drawable(char32_t code) const;
    void draw_box(Canvas& canvas, int x, int y, char32_t code, Rgb rgb) const;

    TTF_Font* m_font;
    int m_height { 0 };
    mutable std::unordered_map<char32_t, Glyph> m_glyphs;
    mutable std::unordered_map<char32_t, bool> m_drawable;
};

// The width of the framed hexadecimal box drawn for `code`, spacing included.
int hex_box_advance(char32_t code);

}
