// The script front end's line reader, byte by byte from the stream's buffer,
// so that a line is never held past its limit.
#include "frontends/ScriptLineReader.h"

#include <istream>

namespace platform::frontends {

ScriptLineReader::ScriptLineReader(std::istream& input, std::size_t max_bytes)
    : m_input(input)
    , m_max_bytes(max_bytes)
{
}

bool ScriptLineReader::next(std::string& line, bool& too_long)
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
        if (line.size() < m_max_bytes)
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
    }
}

}
