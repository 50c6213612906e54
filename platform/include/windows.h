// The device's system library, as a CE program includes it. A resource script
// includes it too (RC_INVOKED): it then sees the constants only.
#pragma once

#include "wintypes.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "winuser.h"
#include "winver.h"
