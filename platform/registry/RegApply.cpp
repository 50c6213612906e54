// What a parsed .reg file asks for, made into a tree: the edits collected for
// an import that is applied only once read whole, or the store's file built
// straight into its tree.
#include "registry/RegFile.h"

namespace platform::registry {

namespace {

// Collects the edits with the path of their key, for files that are applied
// only once they have been read whole (imports).
class EditCollector final : public RegFileSink {
public:
    explicit EditCollector(std::vector<RegFileEdit>& edits)
        : m_edits(edits)
    {
    }

    void key(KeyPath const& path, bool deletion, int line) override
    {
        m_path = path;
        RegFileEdit edit;
        edit.kind = deletion ? RegFileEdit::Kind::DeleteKey : RegFileEdit::Kind::CreateKey;
        edit.path = path;
        edit.line = line;
        m_edits.push_back(std::move(edit));
    }

    void value(std::u16string name, DWORD type, std::vector<BYTE> data, int line) override
    {
        RegFileEdit edit;
        edit.kind = RegFileEdit::Kind::SetValue;
        edit.path = m_path;
        edit.value_name = std::move(name);
        edit.type = type;
        edit.data = std::move(data);
        edit.line = line;
        m_edits.push_back(std::move(edit));
    }

    void value_deletion(std::u16string name, int line) override
    {
        RegFileEdit edit;
        edit.kind = RegFileEdit::Kind::DeleteValue;
        edit.path = m_path;
        edit.value_name = std::move(name);
        edit.line = line;
        m_edits.push_back(std::move(edit));
    }

private:
    std::vector<RegFileEdit>& m_edits;
    KeyPath m_path;
};

// Builds the tree as the file is read: each key is found once per block, and
// its values go straight into it.
class TreeBuilder final : public RegFileSink {
public:
    explicit TreeBuilder(RegistryKey& tree)
        : m_tree(tree)
    {
    }

    void key(KeyPath const& path, bool deletion, int) override
    {
        m_key = nullptr;
        if (deletion) {
            std::span<std::u16string const> levels(path);
            if (RegistryKey* parent = m_tree.find_path(levels.first(levels.size() - 1)))
                parent->remove_subkey(levels.back());
            return;
        }
        RegistryKey* key = &m_tree;
        for (auto const& name : path) {
            bool created = false;
            key = &key->ensure_subkey(name, created);
        }
        m_key = key;
    }

    void value(std::u16string name, DWORD type, std::vector<BYTE> data, int) override
    {
        if (m_key)
            m_key->set_value(name, type, std::move(data));
    }

    void value_deletion(std::u16string name, int) override
    {
        if (m_key)
            m_key->remove_value(name);
    }

private:
    RegistryKey& m_tree;
    RegistryKey* m_key = nullptr; // good until the next key line changes the tree's shape
};

}

Result<std::vector<RegFileEdit>> parse_reg_file(std::span<BYTE const> bytes, RegFileUse use)
{
    std::vector<RegFileEdit> edits;
    EditCollector collector(edits);
    if (auto parsed = parse_reg_file(bytes, use, collector); !parsed)
        return parsed.error();
    return edits;
}

Result<void> parse_reg_tree(std::span<BYTE const> bytes, RegistryKey& tree)
{
    TreeBuilder builder(tree);
    return parse_reg_file(bytes, RegFileUse::Store, builder);
}

void apply_reg_edits(RegistryKey& tree, std::vector<RegFileEdit> const& edits)
{
    // Consecutive edits of one key find it once.
    TreeBuilder builder(tree);
    KeyPath const* current = nullptr;
    for (auto const& edit : edits) {
        bool const same_key = current && *current == edit.path;
        switch (edit.kind) {
        case RegFileEdit::Kind::CreateKey:
        case RegFileEdit::Kind::DeleteKey:
            builder.key(edit.path, edit.kind == RegFileEdit::Kind::DeleteKey, edit.line);
            current = edit.kind == RegFileEdit::Kind::CreateKey ? &edit.path : nullptr;
            break;
        case RegFileEdit::Kind::SetValue:
            if (!same_key) {
                builder.key(edit.path, false, edit.line);
                current = &edit.path;
            }
            builder.value(edit.value_name, edit.type, edit.data, edit.line);
            break;
        case RegFileEdit::Kind::DeleteValue:
            if (!same_key) {
                // A deletion creates nothing: find the key, if it is there.
                if (!tree.find_path(edit.path))
                    break;
                builder.key(edit.path, false, edit.line);
                current = &edit.path;
            }
            builder.value_deletion(edit.value_name, edit.line);
            break;
        }
    }
}

}
