// Icons as the windowing system hands them out: LoadIconW gives an HICON for a
// group icon resource, and the front ends that draw it get its decoded images
// here.
#pragma once

#include "resources/IconImage.h"
#include "wintypes.h"

#include <span>

namespace platform::resources {

// Every image of the icon, in the order of its group directory; empty when
// `icon` is not an icon handle.
std::span<IconImage const> icon_images(HICON icon);

// Which image a front end draws at a size is one of the dialog's rules
// (frontends/DialogRules.h), not the icon's.

}
