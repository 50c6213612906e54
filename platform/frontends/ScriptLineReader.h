// The script front end's line reader: one command line at a time from a
// stream, in memory bounded whatever comes in.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

namespace platform::frontends {

class ScriptLineReader {
public:
    ScriptLineReader(std::istream& input, std::size_t max_bytes);

    // The next line, without its line break, into `line`; false at the end of
    // input. A line longer than the limit is read to its end, keeps only its
    // first `max_bytes` and sets `too_long`.
    bool next(std::string& line, bool& too_long);

private:
    std::istream& m_input;
    std::size_t m_max_bytes;
};

}
