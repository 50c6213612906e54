// A dialog template resource, parsed: the dialog's own fields and its items in
// template order. Both template forms (DLGTEMPLATE and DLGTEMPLATEEX) parse to
// this one shape.
#pragma once

#include "wintypes.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::resources {

// A template field that holds either an ordinal (0xFFFF followed by a WORD) or a
// zero-ended UTF-16 string.
struct NameOrOrdinal {
    std::optional<WORD> ordinal;
    std::u16string text;

    bool empty() const { return !ordinal && text.empty(); }
};

// The atoms by which a template names the predefined window classes (the
// ordinal of an item's class).
inline constexpr WORD button_class_atom = 0x0080;
inline constexpr WORD edit_class_atom = 0x0081;
inline constexpr WORD static_class_atom = 0x0082;

struct DialogItemTemplate {
    DWORD style { 0 };
    DWORD ex_style { 0 };
    DWORD help_id { 0 };
    short x { 0 };
    short y { 0 };
    short cx { 0 };
    short cy { 0 };
    // As stored: a WORD in DLGTEMPLATE, a DWORD in DLGTEMPLATEEX; 0xFFFF (or
    // 0xFFFFFFFF) is the usual "no identifier" of labels, -1 in the script.
    DWORD id { 0 };
    NameOrOrdinal window_class; // an ordinal is a class atom: button_class_atom...
    NameOrOrdinal title;        // an ordinal names a resource, e.g. the icon of SS_ICON
    std::vector<BYTE> creation_data;
};

struct DialogTemplate {
    bool extended { false };
    DWORD style { 0 };
    DWORD ex_style { 0 };
    DWORD help_id { 0 };
    short x { 0 };
    short y { 0 };
    short cx { 0 };
    short cy { 0 };
    NameOrOrdinal menu;
    NameOrOrdinal window_class; // empty: the predefined dialog class
    std::u16string caption;
    // Present when the style has DS_SETFONT.
    WORD point_size { 0 };
    WORD weight { 0 };
    BYTE italic { 0 };
    BYTE charset { 0 };
    std::u16string typeface;
    std::vector<DialogItemTemplate> items;
};

// Parses a template from the bytes of an RT_DIALOG resource. Every length and
// offset is checked against the data: a malformed or truncated template gives
// nullopt, never a read outside `data`.
std::optional<DialogTemplate> parse_dialog_template(std::span<BYTE const> data);

// How many bytes of `data` the template at its start occupies, to the end of
// its last item's creation data, found by the same walk as the parse; 0 when
// no template parses within `data`.
std::size_t dialog_template_size(std::span<BYTE const> data);

}
