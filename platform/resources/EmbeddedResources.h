// The compiled resource file of the executable's own module. The build turns each
// executable's .rc into one registration of this kind (see ce_embed_resources),
// made during static initialisation; the loader then finds the module's
// resources through the module handle of the executable.
#pragma once

#include <cstddef>
#include <span>

namespace platform::resources {

class EmbeddedResources {
public:
    EmbeddedResources(unsigned char const* data, std::size_t size);
};

// The bytes of the .res file registered for this executable, or an empty span
// when it has none.
std::span<unsigned char const> embedded_module_resources();

}
