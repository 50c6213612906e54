// Stands in for the window front end in a build that does not have it: asking
// for the window says so, and the default falls back to the terminal.
#include "frontends/FrontEnds.h"
#include "frontends/UnavailableFrontEnd.h"

namespace platform::frontends {

std::unique_ptr<FrontEnd> create_window_front_end()
{
    return std::make_unique<UnavailableFrontEnd>(
        "window front end not available in this build; use CE_DEVICE_UI=terminal or script");
}

}
