// Finding the extent of a dialog template in memory.
#include "dialog/TemplateExtent.h"

#include "resources/ResourceData.h"
#include "winuser_styles.h"

#include <cstdint>
#include <cstring>

namespace platform::dialog {

namespace {

constexpr std::size_t largest_template = 1 << 20;

// Walks a template laid out in the caller's memory. Each step reads only what
// the fields before it say is there, as the device's dialog manager would.
class Walker {
public:
    explicit Walker(BYTE const* base)
        : m_base(base)
    {
    }

    std::size_t offset() const { return m_offset; }
    bool too_large() const { return m_offset > largest_template; }

    WORD word()
    {
        WORD value;
        std::memcpy(&value, m_base + m_offset, sizeof value);
        m_offset += sizeof value;
        return value;
    }
    DWORD dword()
    {
        DWORD value;
        std::memcpy(&value, m_base + m_offset, sizeof value);
        m_offset += sizeof value;
        return value;
    }
    void skip(std::size_t bytes) { m_offset += bytes; }
    void align(std::size_t boundary) { m_offset = (m_offset + boundary - 1) / boundary * boundary; }

    void string()
    {
        while (!too_large() && word() != 0) {
        }
    }
    // 0x0000 (nothing), 0xFFFF and an ordinal, or a zero-ended string.
    void name_or_ordinal()
    {
        WORD const first = word();
        if (first == 0xFFFF)
            skip(2);
        else if (first != 0)
            string();
    }

private:
    BYTE const* m_base;
    std::size_t m_offset { 0 };
};

std::size_t measure(BYTE const* base)
{
    Walker walk(base);
    WORD const version = walk.word();
    WORD const signature = walk.word();
    bool const extended = version == 1 && signature == 0xFFFF;
    DWORD style = 0;
    WORD count = 0;
    if (extended) {
        walk.skip(4 + 4); // help id, extended style
        style = walk.dword();
    } else {
        walk = Walker(base);
        style = walk.dword();
        walk.skip(4); // extended style
    }
    count = walk.word();
    walk.skip(4 * 2); // x, y, cx, cy
    walk.name_or_ordinal(); // menu
    walk.name_or_ordinal(); // class
    walk.string();          // caption
    // A point size of 0x7FFF means the message-box font, and nothing follows.
    if ((style & DS_SETFONT) && walk.word() != 0x7FFF) {
        walk.skip(extended ? 2 + 1 + 1 : 0);
        walk.string();
    }
    for (WORD i = 0; i < count && !walk.too_large(); ++i) {
        walk.align(4);
        walk.skip(extended ? 4 + 4 + 4 + 4 * 2 + 4 : 4 + 4 + 4 * 2 + 2);
        walk.name_or_ordinal(); // class
        walk.name_or_ordinal(); // title
        WORD const extra = walk.word();
        walk.skip(extra);
    }
    return walk.too_large() ? 0 : walk.offset();
}

}

std::span<BYTE const> template_extent(void const* dialog_template)
{
    auto const* start = static_cast<BYTE const*>(dialog_template);
    if (!start)
        return {};
    auto const in_resources = resources::resource_extent(start);
    if (!in_resources.empty())
        return in_resources;
    return std::span<BYTE const>(start, measure(start));
}

}
