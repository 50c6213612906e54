// FindResource, LoadResource, LockResource and SizeofResource over the
// executable's embedded resources. An HRSRC is the address of the resource's
// directory entry and an HGLOBAL the address of its bytes; both stay valid for
// the life of the program, and nothing is ever freed.
#include "resources/ModuleResources.h"
#include "resources/ResourceData.h"
#include "windows.h"

using platform::resources::ModuleResources;
using platform::resources::ResourceEntry;
using platform::resources::ResourceId;

namespace {

ModuleResources const* module_resources(HMODULE module)
{
    if (module != nullptr && module != ModuleResources::executable_handle()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return ModuleResources::executable();
}

ResourceEntry const* entry_of(HMODULE module, HRSRC resource)
{
    auto const resources = module_resources(module);
    if (!resources)
        return nullptr;
    auto const entry = reinterpret_cast<ResourceEntry const*>(resource);
    if (!resources->owns(entry)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return entry;
}

HRSRC find(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language)
{
    auto const resources = module_resources(module);
    if (!resources)
        return nullptr;
    auto const entry = resources->find(ResourceId::from_api(type), ResourceId::from_api(name), language);
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
}

}

HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    return find(hModule, lpType, lpName, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    return find(hModule, lpType, lpName, wLanguage);
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    auto const entry = entry_of(hModule, hResInfo);
    if (!entry)
        return nullptr;
    return const_cast<BYTE*>(entry->data.data());
}

LPVOID WINAPI LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    auto const entry = entry_of(hModule, hResInfo);
    if (!entry)
        return 0;
    return static_cast<DWORD>(entry->data.size());
}

std::span<BYTE const> platform::resources::resource_bytes(HMODULE module, HRSRC resource)
{
    auto const entry = entry_of(module, resource);
    if (!entry)
        return {};
    return entry->data;
}

std::span<BYTE const> platform::resources::resource_extent(void const* data)
{
    auto const resources = data ? ModuleResources::executable() : nullptr;
    auto const entry = resources ? resources->entry_holding(data) : nullptr;
    if (!entry)
        return {};
    auto const offset = static_cast<std::size_t>(static_cast<BYTE const*>(data) - entry->data.data());
    return entry->data.subspan(offset);
}
