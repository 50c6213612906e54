// Parsing of dialog template resources, both the classic DLGTEMPLATE form and
// the extended DLGTEMPLATEEX form, into one DialogTemplate.
#include "resources/DialogTemplate.h"

#include "resources/ByteReader.h"
#include "winuser_styles.h"

namespace platform::resources {

namespace {

constexpr WORD message_box_font_size = 0x7FFF;

template<typename T>
bool read(std::optional<T> value, T& out)
{
    if (!value)
        return false;
    out = *value;
    return true;
}

bool read_frame(ByteReader& reader, short& x, short& y, short& cx, short& cy)
{
    return read(reader.i16(), x) && read(reader.i16(), y) && read(reader.i16(), cx) && read(reader.i16(), cy);
}

// Menu, class and caption, then the font when the style asks for one.
bool read_names_and_font(ByteReader& reader, DialogTemplate& dialog)
{
    if (!read(reader.name_or_ordinal(), dialog.menu) || !read(reader.name_or_ordinal(), dialog.window_class)
        || !read(reader.zstring(), dialog.caption))
        return false;
    if (!(dialog.style & DS_SETFONT))
        return true;
    if (!read(reader.u16(), dialog.point_size))
        return false;
    // The message-box font is named by its size alone.
    if (dialog.point_size == message_box_font_size)
        return true;
    if (dialog.extended
        && !(read(reader.u16(), dialog.weight) && read(reader.u8(), dialog.italic) && read(reader.u8(), dialog.charset)))
        return false;
    return read(reader.zstring(), dialog.typeface);
}

bool read_creation_data(ByteReader& reader, DialogItemTemplate& item)
{
    // The count covers only the bytes that follow it.
    WORD size = 0;
    if (!read(reader.u16(), size))
        return false;
    auto const data = reader.bytes(size);
    if (!data)
        return false;
    item.creation_data.assign(data->begin(), data->end());
    return true;
}

bool read_item(ByteReader& reader, bool extended, DialogItemTemplate& item)
{
    if (extended) {
        if (!(read(reader.u32(), item.help_id) && read(reader.u32(), item.ex_style) && read(reader.u32(), item.style)
              && read_frame(reader, item.x, item.y, item.cx, item.cy) && read(reader.u32(), item.id)))
            return false;
    } else {
        WORD id = 0;
        if (!(read(reader.u32(), item.style) && read(reader.u32(), item.ex_style)
              && read_frame(reader, item.x, item.y, item.cx, item.cy) && read(reader.u16(), id)))
            return false;
        item.id = id;
    }
    return read(reader.name_or_ordinal(), item.window_class) && read(reader.name_or_ordinal(), item.title)
        && read_creation_data(reader, item);
}

// The one walk over a template's fields: each step reads only what the
// fields before it say is there.
std::optional<DialogTemplate> parse_template(ByteReader& reader)
{
    DialogTemplate dialog;
    WORD count = 0;

    auto const version = reader.u16();
    auto const signature = reader.u16();
    if (!version || !signature)
        return std::nullopt;
    dialog.extended = *version == 1 && *signature == 0xFFFF;
    if (dialog.extended) {
        if (!(read(reader.u32(), dialog.help_id) && read(reader.u32(), dialog.ex_style)
              && read(reader.u32(), dialog.style)))
            return std::nullopt;
    } else {
        reader.seek(0);
        if (!(read(reader.u32(), dialog.style) && read(reader.u32(), dialog.ex_style)))
            return std::nullopt;
    }
    if (!(read(reader.u16(), count) && read_frame(reader, dialog.x, dialog.y, dialog.cx, dialog.cy)
          && read_names_and_font(reader, dialog)))
        return std::nullopt;

    // Each item starts on a DWORD boundary; the count comes from the data, so
    // nothing is reserved for it up front.
    for (WORD i = 0; i < count; ++i) {
        DialogItemTemplate item;
        if (!reader.align(4) || !read_item(reader, dialog.extended, item))
            return std::nullopt;
        dialog.items.push_back(std::move(item));
    }
    return dialog;
}

}

std::optional<DialogTemplate> parse_dialog_template(std::span<BYTE const> data)
{
    ByteReader reader(data);
    return parse_template(reader);
}

std::size_t dialog_template_size(std::span<BYTE const> data)
{
    ByteReader reader(data);
    return parse_template(reader) ? reader.offset() : 0;
}

}
