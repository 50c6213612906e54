// Comparing names without regard to case, one way for the whole device: the
// registry's keys and values, resource and module names, and the words of a
// command line.
#pragma once

#include <string>
#include <string_view>

namespace platform::text {

// Simple (one-to-one) case folding, character by character: like the upcase
// table Windows compares names with, it never changes a text's length, and a
// lone surrogate stays as it is.
std::u16string fold_case(std::u16string_view text);
// The same for UTF-8 text; ill-formed bytes stay as they are.
std::string fold_case(std::string_view utf8);

// Whether two names are the same but for case.
bool same_ignoring_case(std::u16string_view a, std::u16string_view b);
bool same_ignoring_case(std::string_view a, std::string_view b);

}
