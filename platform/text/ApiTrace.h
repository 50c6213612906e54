// The device's call trace. With CE_DEVICE_TRACE naming a file, each traced call
// into the device appends one line to that file, in the order the calls are
// made, like a relay log of the system library. Calls the device makes for
// itself while a traced call runs are left out, so the trace reads as the
// caller's own sequence of calls.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace platform::trace {

bool enabled();

// Appends "function details" as one line, unless a traced call is running.
void write_line(std::string_view function, std::string_view details);

// Marks one traced call for as long as it lives. `describe` gives the line's
// details and is only called when the line is written.
class TracedCall {
public:
    template<typename Describe>
    TracedCall(std::string_view function, Describe&& describe)
    {
        if (enabled())
            write_line(function, std::forward<Describe>(describe)());
        enter();
    }
    explicit TracedCall(std::string_view function)
        : TracedCall(function, [] { return std::string(); })
    {
    }
    ~TracedCall() { leave(); }

    TracedCall(TracedCall const&) = delete;
    TracedCall& operator=(TracedCall const&) = delete;

private:
    static void enter();
    static void leave();
};

// A text as the trace shows it: quoted, with every control character escaped.
std::string quoted(std::u16string_view text);

}
