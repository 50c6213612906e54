// The device's windowing, resource and formatting API. Each area keeps its own
// part so that it can be read, and changed, on its own.
#pragma once

#include "wintypes.h"
#include "winuser_styles.h"
#include "winuser_format.h"
#include "winuser_resources.h"
#include "winuser_windows.h"
