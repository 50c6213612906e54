// Stands in for the terminal front end in a build that does not have it: the
// program can still be driven with CE_DEVICE_UI=script, and the default says
// so instead of failing later.
#include "frontends/FrontEnds.h"
#include "frontends/UnavailableFrontEnd.h"

namespace platform::frontends {

std::unique_ptr<FrontEnd> create_terminal_front_end()
{
    return std::make_unique<UnavailableFrontEnd>("terminal front end not available in this build; use CE_DEVICE_UI=script");
}

}
