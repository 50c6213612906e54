// The device's system library, as a CE program includes it.
#pragma once

#include "wintypes.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "winuser.h"
