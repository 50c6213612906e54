// The script front end's line reader.
#include "frontends/ScriptFrontEnd.h"

#include <istream>

namespace platform::frontends {

bool ScriptFrontEnd::read_line(std::string& line, bool& too_long)
{
    line.clear();
    too_long = false;
    std::streambuf* const buffer = m_input.rdbuf();
    if (!buffer || !m_input.good())
        return false;
    bool any = false;
    for (;;) {
        int const c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            m_input.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        if (c == '\n')
            return true;
        if (line.size() < max_line_bytes)
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
    }
}

}
