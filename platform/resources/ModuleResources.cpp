// The executable module's resources and their lookup.
#include "resources/ModuleResources.h"

#include "resources/EmbeddedResources.h"
#include "text/CaseFold.h"
#include "windows.h"

#include <functional>

namespace platform::resources {

namespace {

// "#123": the ordinal 123, given as text. Anything else after '#' keeps the
// string a name.
std::optional<WORD> ordinal_from_text(std::u16string const& text)
{
    if (text.size() < 2 || text.size() > 6 || text[0] != u'#')
        return std::nullopt;
    DWORD value = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        value = value * 10 + static_cast<DWORD>(text[i] - u'0');
    }
    if (value > 0xFFFF)
        return std::nullopt;
    return static_cast<WORD>(value);
}

int module_anchor;

}

ResourceId ResourceId::from_api(LPCWSTR id)
{
    if (IS_INTRESOURCE(id))
        return ResourceId { static_cast<WORD>(reinterpret_cast<ULONG_PTR>(id)), {} };
    std::u16string text(id);
    if (auto const ordinal = ordinal_from_text(text))
        return ResourceId { ordinal, {} };
    return ResourceId { std::nullopt, std::move(text) };
}

bool ResourceId::matches(NameOrOrdinal const& stored) const
{
    if (ordinal || stored.ordinal)
        return ordinal == stored.ordinal;
    return text::same_ignoring_case(text, stored.text);
}

ModuleResources::ModuleResources(std::vector<ResourceEntry> entries)
    : m_entries(std::move(entries))
{
}

HMODULE ModuleResources::executable_handle()
{
    return reinterpret_cast<HMODULE>(&module_anchor);
}

ModuleResources const* ModuleResources::executable()
{
    struct Loaded {
        std::optional<ModuleResources> resources;
        DWORD error { ERROR_SUCCESS };
    };
    static Loaded const loaded = [] {
        auto const bytes = embedded_module_resources();
        if (bytes.empty())
            return Loaded { std::nullopt, ERROR_RESOURCE_DATA_NOT_FOUND };
        auto entries = parse_resource_file(bytes);
        if (!entries)
            return Loaded { std::nullopt, ERROR_BAD_FORMAT };
        return Loaded { ModuleResources(std::move(*entries)), ERROR_SUCCESS };
    }();
    if (!loaded.resources) {
        SetLastError(loaded.error);
        return nullptr;
    }
    return &*loaded.resources;
}

ResourceEntry const* ModuleResources::find(ResourceId const& type, ResourceId const& name, WORD language) const
{
    if (language == MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL))
        language = device_language;
    WORD const preferred[] = { language, static_cast<WORD>(MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL)),
                               static_cast<WORD>(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)) };

    bool type_found = false;
    ResourceEntry const* best = nullptr;
    std::size_t best_rank = 0;
    for (auto const& entry : m_entries) {
        if (!type.matches(entry.type))
            continue;
        type_found = true;
        if (!name.matches(entry.name))
            continue;
        std::size_t rank = std::size(preferred);
        for (std::size_t i = 0; i < std::size(preferred); ++i) {
            if (entry.language == preferred[i]) {
                rank = i;
                break;
            }
        }
        bool const better = !best || rank < best_rank || (rank == best_rank && entry.language < best->language);
        if (better) {
            best = &entry;
            best_rank = rank;
        }
    }
    if (!best)
        SetLastError(type_found ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return best;
}

bool ModuleResources::owns(ResourceEntry const* entry) const
{
    if (!entry || m_entries.empty())
        return false;
    std::less_equal<ResourceEntry const*> const not_after;
    std::less<ResourceEntry const*> const before;
    return not_after(m_entries.data(), entry) && before(entry, m_entries.data() + m_entries.size());
}

ResourceEntry const* ModuleResources::entry_holding(void const* data) const
{
    auto const byte = static_cast<BYTE const*>(data);
    std::less<BYTE const*> const before;
    for (auto const& entry : m_entries) {
        if (!before(byte, entry.data.data()) && before(byte, entry.data.data() + entry.data.size()))
            return &entry;
    }
    return nullptr;
}

}
