# Turns a compiled .res file into a C++ source that registers it, at static
# initialisation, as the resources of the executable's own module.
# Usage: cmake -DINPUT=file.res -DOUTPUT=file.cpp -P EmbedResources.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(name ${INPUT} NAME)
file(WRITE ${OUTPUT}.tmp
"// Generated from ${name} at build time; do not edit.
#include \"resources/EmbeddedResources.h\"

namespace {

alignas(4) const unsigned char module_resources[${size}] = {
    ${bytes}
};

const platform::resources::EmbeddedResources registration(module_resources, sizeof module_resources);

}
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
