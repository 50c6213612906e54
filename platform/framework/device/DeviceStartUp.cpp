// The emulated device's start-up: nothing to prepare. CE grants every call the
// program makes (the time zone's change among them) without privileges.
#include "StartUp.h"

namespace platform::framework {

void prepare_process()
{
}

}
