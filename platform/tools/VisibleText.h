// What the device's tools print of typed or stored text: control characters
// (C0, DEL, C1 and bidirectional controls) as visible escapes, so that no
// name, path or argument can drive the terminal.
#pragma once

#include "text/TerminalText.h"

#include <string>
#include <string_view>

namespace platform::tools {

// "\x1B" for ESC, "\u0085" for NEL, "\u202E" for a bidirectional override;
// everything else as it is. A short name for the tools' tables of output:
// the rule itself is text::escape_terminal_controls, written once there.
inline std::string visible(std::string_view text)
{
    return platform::text::escape_terminal_controls(text);
}

}
