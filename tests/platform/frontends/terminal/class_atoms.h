// The predefined window classes' atoms, as a dialog template names them.
#pragma once

#include "windows.h"

inline constexpr WORD button_class = 0x80, edit_class = 0x81, static_class = 0x82;
