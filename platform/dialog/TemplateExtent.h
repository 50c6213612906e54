// How many bytes a dialog template given by address occupies, so that it can be
// parsed within bounds. DialogBoxIndirectParamW gets only a pointer.
#pragma once

#include "wintypes.h"

#include <span>

namespace platform::dialog {

// A template inside the module's resources runs to the end of its resource's
// data. One elsewhere (built in memory by the caller, who vouches for it as on
// the device) is measured by walking its fields; empty when the walk finds it
// larger than any template can sensibly be.
std::span<BYTE const> template_extent(void const* dialog_template);

}
