// The registration of the executable's embedded resource file. It happens during
// static initialisation, possibly before any other static object of this library
// exists, so the registered bytes live in a function-local static.
#include "resources/EmbeddedResources.h"

#include <cstdio>

namespace platform::resources {

namespace {

std::span<unsigned char const>& registered_resources()
{
    static std::span<unsigned char const> resources;
    return resources;
}

}

EmbeddedResources::EmbeddedResources(unsigned char const* data, std::size_t size)
{
    auto& resources = registered_resources();
    // The build embeds one resource file per executable; a second one means two
    // resource scripts were given to one target, and the first keeps its place.
    if (!resources.empty()) {
        std::fprintf(stderr, "warning: more than one resource file embedded; only the first is used\n");
        return;
    }
    resources = std::span<unsigned char const>(data, size);
}

std::span<unsigned char const> embedded_module_resources()
{
    return registered_resources();
}

}
