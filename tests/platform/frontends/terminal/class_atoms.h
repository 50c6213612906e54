// The predefined window classes' atoms, as a dialog template names them.
#pragma once

#include "resources/DialogTemplate.h"

inline constexpr WORD button_class = platform::resources::button_class_atom;
inline constexpr WORD edit_class = platform::resources::edit_class_atom;
inline constexpr WORD static_class = platform::resources::static_class_atom;
