// Parsing of version records. Every node is a length, a value length, a type
// and a key, then its value and its children, each on a 32-bit boundary; a
// node's length covers its children but not the padding after it.
#include "resources/VersionInfo.h"

#include "resources/ByteReader.h"

namespace platform::resources {

namespace {

constexpr WORD text_type = 1;

constexpr std::size_t node_header_size = 6;

struct Node {
    std::size_t length { 0 };
    WORD type { 0 };
    std::u16string key;
    std::span<BYTE const> value;
    std::span<BYTE const> children;
};

// A text value's length counts characters, a binary one's bytes.
std::optional<Node> read_node(std::span<BYTE const> data)
{
    ByteReader reader(data);
    auto const length = reader.u16();
    auto const value_length = reader.u16();
    auto const type = reader.u16();
    if (!length || !value_length || !type || *length < node_header_size || *length > data.size())
        return std::nullopt;
    ByteReader node(data.first(*length));
    node.skip(node_header_size);
    Node result;
    result.length = *length;
    result.type = *type;
    auto key = node.zstring();
    if (!key)
        return std::nullopt;
    result.key = std::move(*key);
    std::size_t const value_bytes = *type == text_type ? std::size_t { *value_length } * 2 : *value_length;
    if (value_bytes > 0) {
        auto const value = node.align(4) ? node.bytes(value_bytes) : std::nullopt;
        if (!value)
            return std::nullopt;
        result.value = *value;
    }
    // Nothing after the value but padding: no children.
    if (!node.align(4))
        return result;
    result.children = data.subspan(node.offset(), *length - node.offset());
    return result;
}

// Calls `visit` with each child node in turn; false when one is malformed.
template<typename Visit>
bool for_each_child(std::span<BYTE const> children, Visit visit)
{
    std::size_t offset = 0;
    while (offset < children.size()) {
        auto const child = read_node(children.subspan(offset));
        if (!child)
            return false;
        if (!visit(*child))
            return false;
        offset += (child->length + 3) & ~std::size_t { 3 };
    }
    return true;
}

std::u16string text_of(std::span<BYTE const> value)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        char16_t const unit = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

std::optional<VS_FIXEDFILEINFO> fixed_info_of(std::span<BYTE const> value)
{
    ByteReader reader(value);
    DWORD fields[13];
    for (auto& field : fields) {
        auto const read = reader.u32();
        if (!read)
            return std::nullopt;
        field = *read;
    }
    if (!reader.at_end() || fields[0] != VS_FFI_SIGNATURE)
        return std::nullopt;
    return VS_FIXEDFILEINFO { fields[0], fields[1], fields[2], fields[3], fields[4],  fields[5], fields[6],
                              fields[7], fields[8], fields[9], fields[10], fields[11], fields[12] };
}

bool read_string_file_info(Node const& node, VersionInfo& info)
{
    return for_each_child(node.children, [&](Node const& table_node) {
        VersionStringTable table { table_node.key, {} };
        bool const ok = for_each_child(table_node.children, [&](Node const& string) {
            table.strings.push_back({ string.key, text_of(string.value) });
            return true;
        });
        info.string_tables.push_back(std::move(table));
        return ok;
    });
}

bool read_var_file_info(Node const& node, VersionInfo& info)
{
    return for_each_child(node.children, [&](Node const& var) {
        if (var.key != u"Translation")
            return true;
        if (var.value.size() % 4 != 0)
            return false;
        ByteReader reader(var.value);
        while (!reader.at_end()) {
            WORD const language = *reader.u16();
            WORD const code_page = *reader.u16();
            info.translations.push_back(static_cast<DWORD>(MAKELONG(language, code_page)));
        }
        return true;
    });
}

}

std::optional<std::u16string> VersionStringTable::find(std::u16string_view wanted) const
{
    for (auto const& string : strings) {
        if (string.key == wanted)
            return string.value;
    }
    return std::nullopt;
}

std::optional<VersionInfo> parse_version_info(std::span<BYTE const> data)
{
    auto const root = read_node(data);
    if (!root || root->key != u"VS_VERSION_INFO")
        return std::nullopt;
    VersionInfo info;
    if (!root->value.empty()) {
        info.fixed = fixed_info_of(root->value);
        if (!info.fixed)
            return std::nullopt;
    }
    bool const ok = for_each_child(root->children, [&](Node const& child) {
        if (child.key == u"StringFileInfo")
            return read_string_file_info(child, info);
        if (child.key == u"VarFileInfo")
            return read_var_file_info(child, info);
        return true;
    });
    if (!ok)
        return std::nullopt;
    return info;
}

}
