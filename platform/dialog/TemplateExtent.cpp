// Finding the extent of a dialog template in memory.
#include "dialog/TemplateExtent.h"

#include "resources/DialogTemplate.h"
#include "resources/ResourceData.h"

namespace platform::dialog {

namespace {

// No template the device builds or loads comes near this; a walk that goes
// further is reading something else.
constexpr std::size_t largest_template = 1 << 20;

}

std::span<BYTE const> template_extent(void const* dialog_template)
{
    auto const* start = static_cast<BYTE const*>(dialog_template);
    if (!start)
        return {};
    auto const in_resources = resources::resource_extent(start);
    if (!in_resources.empty())
        return in_resources;
    // The caller's own memory, walked field by field by the template parser:
    // it reads only what the fields before say is there, and never past the
    // largest size a template may have.
    return std::span<BYTE const>(start, resources::dialog_template_size(std::span<BYTE const>(start, largest_template)));
}

}
