// Glyphs from SDL_ttf, kept once rendered; boxes for what has no glyph.
#include "frontends/window/DeviceFont.h"

#include "text/Utf.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <unicode/uchar.h>

#include <array>

namespace platform::frontends::window {

namespace {

// Hexadecimal digits 3 pixels wide and 5 high, one row of three bits each.
constexpr std::array<std::array<std::uint8_t, 5>, 16> hex_digits { {
    { 7, 5, 5, 5, 7 }, { 2, 6, 2, 2, 7 }, { 7, 1, 7, 4, 7 }, { 7, 1, 7, 1, 7 },
    { 5, 5, 7, 1, 1 }, { 7, 4, 7, 1, 7 }, { 7, 4, 7, 5, 7 }, { 7, 1, 1, 1, 1 },
    { 7, 5, 7, 5, 7 }, { 7, 5, 7, 1, 7 }, { 2, 5, 7, 5, 5 }, { 6, 5, 6, 5, 6 },
    { 3, 4, 4, 4, 3 }, { 6, 5, 5, 5, 6 }, { 7, 4, 7, 4, 7 }, { 7, 4, 7, 4, 4 },
} };

int hex_digit_count(char32_t code)
{
    return code <= 0xFF ? 2 : code <= 0xFFFF ? 4 : 6;
}

int digits_per_row(char32_t code)
{
    int const digits = hex_digit_count(code);
    return digits == 2 ? 2 : digits / 2;
}

}

int hex_box_advance(char32_t code)
{
    // Frame, a pixel of room, the digits with a pixel between them, room,
    // frame, and a pixel before the next character.
    return digits_per_row(code) * 4 + 3 + 1;
}

Result<std::unique_ptr<DeviceFont>> DeviceFont::open(char const* path, int points)
{
    if (TTF_Init() != 0)
        return Error { std::string("cannot start the font renderer: ") + TTF_GetError() };
    TTF_Font* font = TTF_OpenFontDPI(path, points, screen_dpi, screen_dpi);
    if (!font) {
        Error error { std::string("cannot open the font ") + path + " (Debian's fonts-dejavu-extra): " + TTF_GetError() };
        TTF_Quit();
        return error;
    }
    return std::unique_ptr<DeviceFont>(new DeviceFont(font));
}

DeviceFont::DeviceFont(TTF_Font* font)
    : m_font(font)
{
    TTF_SetFontHinting(m_font, TTF_HINTING_LIGHT);
    TTF_SetFontKerning(m_font, 0);
    m_height = TTF_FontHeight(m_font);
}

DeviceFont::~DeviceFont()
{
    TTF_CloseFont(m_font);
    TTF_Quit();
}

BaseUnits DeviceFont::base_units() const
{
    int sum = 0;
    for (char32_t c = U'A'; c <= U'Z'; ++c)
        sum += glyph(c).advance + glyph(c - U'A' + U'a').advance;
    return { (sum + 26) / 52, m_height, 1 };
}

bool DeviceFont::is_drawable(char32_t code) const
{
    if (auto const found = m_drawable.find(code); found != m_drawable.end())
        return found->second;
    bool drawable = true;
    switch (u_charType(static_cast<UChar32>(code))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_UNASSIGNED:
    case U_SURROGATE:
    case U_PRIVATE_USE_CHAR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
        drawable = false;
        break;
    default:
        drawable = TTF_GlyphIsProvided32(m_font, static_cast<Uint32>(code)) != 0;
        break;
    }
    m_drawable.emplace(code, drawable);
    return drawable;
}

DeviceFont::Piece DeviceFont::piece_at(std::u16string_view text, std::size_t index) const
{
    text::Utf16Character const character = text::utf16_character_at(text, index);
    // A lone surrogate is no character: a box.
    if (text::is_surrogate(character.value))
        return { character.value, 1, true };
    return { character.value, character.length, !is_drawable(character.value) };
}

int DeviceFont::advance(Piece const& piece) const
{
    return piece.boxed ? hex_box_advance(piece.code) : glyph(piece.code).advance;
}

int DeviceFont::extent(std::u16string_view text) const
{
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        Piece const piece = piece_at(text, i);
        width += advance(piece);
        i += piece.units;
    }
    return width;
}

DeviceFont::Glyph const& DeviceFont::glyph(char32_t code) const
{
    if (auto const found = m_glyphs.find(code); found != m_glyphs.end())
        return found->second;
    Glyph glyph;
    int min_x = 0, max_x = 0, min_y = 0, max_y = 0, advance = 0;
    if (TTF_GlyphMetrics32(m_font, static_cast<Uint32>(code), &min_x, &max_x, &min_y, &max_y, &advance) == 0)
        glyph.advance = advance;
    SDL_Color const white { 255, 255, 255, 255 };
    if (SDL_Surface* surface = TTF_RenderGlyph32_Solid(m_font, static_cast<Uint32>(code), white)) {
        if (SDL_LockSurface(surface) == 0) {
            glyph.left = min_x < 0 ? min_x : 0;
            glyph.width = surface->w;
            glyph.rows = surface->h;
            glyph.ink.resize(static_cast<std::size_t>(surface->w) * static_cast<std::size_t>(surface->h));
            auto const* bytes = static_cast<std::uint8_t const*>(surface->pixels);
            for (int y = 0; y < surface->h; ++y) {
                for (int x = 0; x < surface->w; ++x)
                    glyph.ink[static_cast<std::size_t>(y * surface->w + x)] = bytes[y * surface->pitch + x] != 0;
            }
            SDL_UnlockSurface(surface);
        }
        SDL_FreeSurface(surface);
    }
    return m_glyphs.emplace(code, std::move(glyph)).first->second;
}

void DeviceFont::draw_box(Canvas& canvas, int x, int y, char32_t code, Rgb rgb) const
{
    int const per_row = digits_per_row(code);
    int const digits = hex_digit_count(code);
    int const width = per_row * 4 + 3;
    canvas.frame({ x, y, width, m_height }, rgb);
    int const rows = digits / per_row;
    int const digits_height = rows * 5 + (rows - 1);
    int const top = y + (m_height - digits_height) / 2;
    for (int d = 0; d < digits; ++d) {
        int const value = static_cast<int>((code >> (4 * (digits - 1 - d))) & 0xF);
        int const row = d / per_row;
        int const column = d % per_row;
        int const left = x + 2 + column * 4;
        int const digit_top = top + row * 6;
        for (int dy = 0; dy < 5; ++dy) {
            for (int dx = 0; dx < 3; ++dx) {
                if (hex_digits[static_cast<std::size_t>(value)][static_cast<std::size_t>(dy)] & (4 >> dx))
                    canvas.put(left + dx, digit_top + dy, rgb);
            }
        }
    }
}

int DeviceFont::draw(Canvas& canvas, int x, int y, std::u16string_view text, Rgb rgb, int stop_x) const
{
    for (std::size_t i = 0; i < text.size() && x < stop_x;) {
        Piece const piece = piece_at(text, i);
        i += piece.units;
        if (piece.boxed) {
            draw_box(canvas, x, y, piece.code, rgb);
            x += hex_box_advance(piece.code);
            continue;
        }
        Glyph const& g = glyph(piece.code);
        for (int gy = 0; gy < g.rows; ++gy) {
            for (int gx = 0; gx < g.width; ++gx) {
                if (g.ink[static_cast<std::size_t>(gy * g.width + gx)])
                    canvas.put(x + g.left + gx, y + gy, rgb);
            }
        }
        x += g.advance;
    }
    return x;
}

}
