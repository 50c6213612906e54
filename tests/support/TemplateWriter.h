// Writes resource bytes by hand, as the resource compiler lays them out:
// little-endian WORDs and DWORDs, zero-ended UTF-16 text, DWORD alignment
// counted from the start. Tests use it to build dialog templates the parsers
// must accept, and to spell out the bytes a compiled template must equal.
#pragma once

#include "windows.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace test_support {

class TemplateWriter {
public:
    void word(WORD value)
    {
        m_bytes.push_back(LOBYTE(value));
        m_bytes.push_back(HIBYTE(value));
    }
    void dword(DWORD value)
    {
        word(LOWORD(value));
        word(HIWORD(value));
    }
    void text(std::u16string_view text)
    {
        for (char16_t unit : text)
            word(unit);
        word(0);
    }
    void align()
    {
        while (m_bytes.size() % 4 != 0)
            m_bytes.push_back(0);
    }
    std::vector<BYTE> const& bytes() const { return m_bytes; }

private:
    // The vector's storage comes from operator new, so it is aligned well
    // enough to be read in place as a template.
    std::vector<BYTE> m_bytes;
};

}
