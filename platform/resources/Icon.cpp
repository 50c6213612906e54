// LoadIconW and DestroyIcon. An icon loaded from a resource is shared, as on
// Windows: loading the same group icon again gives the same handle, the handle
// stays valid for the life of the program, and DestroyIcon leaves it alone.
#include "resources/Icon.h"

#include "resources/ModuleResources.h"
#include "resources/ResourceData.h"
#include "windows.h"

#include <map>
#include <memory>

namespace platform::resources {

namespace {

struct Icon {
    std::vector<IconImage> images;
};

// No lock: the device is single-threaded, LoadIcon and the painters that
// read an icon's images run on the program's one thread.
struct IconTable {
    std::vector<std::unique_ptr<Icon>> icons;
    std::map<HRSRC, HICON> by_group;
};

IconTable& icon_table()
{
    static IconTable table;
    return table;
}

Icon const* icon_of(HICON handle)
{
    auto& table = icon_table();
    for (auto const& icon : table.icons) {
        if (reinterpret_cast<HICON>(icon.get()) == handle)
            return icon.get();
    }
    return nullptr;
}

// The images of a group icon, each found in the group's own language.
std::unique_ptr<Icon> load_group(HMODULE module, HRSRC group)
{
    auto const directory = parse_group_icon(resource_bytes(module, group));
    if (!directory || directory->entries.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    WORD const language = reinterpret_cast<ResourceEntry const*>(group)->language;
    auto icon = std::make_unique<Icon>();
    for (auto const& entry : directory->entries) {
        HRSRC const image_resource = FindResourceExW(module, RT_ICON, MAKEINTRESOURCEW(entry.id), language);
        if (!image_resource)
            return nullptr;
        auto image = parse_icon_image(resource_bytes(module, image_resource));
        if (!image) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        icon->images.push_back(std::move(*image));
    }
    return icon;
}

}

std::span<IconImage const> icon_images(HICON icon)
{
    auto const found = icon_of(icon);
    if (!found)
        return {};
    return found->images;
}

}

using platform::resources::icon_table;

// Only the executable's own icons exist on the device; the system's stock icons
// (a null module) are not provided.
HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName)
{
    if (hInstance == nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HRSRC const group = FindResourceW(hInstance, lpIconName, RT_GROUP_ICON);
    if (!group)
        return nullptr;

    auto& table = icon_table();
    if (auto const loaded = table.by_group.find(group); loaded != table.by_group.end())
        return loaded->second;
    auto icon = platform::resources::load_group(hInstance, group);
    if (!icon)
        return nullptr;
    HICON const handle = reinterpret_cast<HICON>(icon.get());
    table.icons.push_back(std::move(icon));
    table.by_group.emplace(group, handle);
    return handle;
}

BOOL WINAPI DestroyIcon(HICON hIcon)
{
    if (!platform::resources::icon_of(hIcon)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
