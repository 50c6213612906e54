# The desktop target: the program and the framework, the same files as on the
# emulated device, built by mingw-w64 into build-win32/bin/Velquin.exe over the
# real user32, kernel32 and advapi32. Unicode, as CE is; statically linked, so
# that the executable needs no DLL beyond Windows' own. Included by the top
# CMakeLists.txt when the toolchain is cmake/mingw-w64-x86_64.cmake.

add_compile_definitions(UNICODE _UNICODE)
add_link_options(-static $<$<CONFIG:Release>:-s>)

set(CE_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/platform/framework/desktop)

# Test executables run under Wine, inside the session that make test-win32
# sets up (tests/win32/wine_session.sh); outside it they refuse to run.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/win32/wine_run.sh)

add_subdirectory(platform/framework)

# What the program's libraries link: the framework and the real SDK.
add_library(ce_program INTERFACE)
target_link_libraries(ce_program INTERFACE ce_framework)
# One API area as a program's library sees it: the real SDK and its DLL.
add_library(ce_api_registry INTERFACE)
target_link_libraries(ce_api_registry INTERFACE advapi32)
add_library(ce_api_timezone INTERFACE)
target_link_libraries(ce_api_timezone INTERFACE kernel32)

# The entry: CE's WinMain, which takes the wide command line, is the desktop's
# wWinMain (a forced include maps the name), which -municode has the C runtime
# call; a window program with no console. The manifest goes with it.
add_library(ce_winmain INTERFACE)
target_compile_options(ce_winmain INTERFACE -include ${CE_DESKTOP_DIR}/WideEntry.h)
target_link_options(ce_winmain INTERFACE -municode -mwindows)
set(manifest_object ${PROJECT_BINARY_DIR}/platform/framework/desktop/manifest.o)
add_custom_command(OUTPUT ${manifest_object}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/platform/framework/desktop
    COMMAND ${CMAKE_RC_COMPILER} -O coff -i ${CE_DESKTOP_DIR}/manifest.rc -o ${manifest_object}
    DEPENDS ${CE_DESKTOP_DIR}/manifest.rc ${CE_DESKTOP_DIR}/Velquin.manifest
    WORKING_DIRECTORY ${CE_DESKTOP_DIR}
    VERBATIM)
add_custom_target(ce_manifest DEPENDS ${manifest_object})
add_dependencies(ce_winmain ce_manifest)
target_link_libraries(ce_winmain INTERFACE ${manifest_object})

# ce_embed_resources(TARGET file.rc)
# The same compiled .res as the device embeds (here compiled against the real
# headers, with the same bytes), converted to a COFF object for the PE's
# resource section.
function(ce_embed_resources target rc_file)
    ce_compile_resources(${rc_file})
    get_filename_component(stem ${rc_file} NAME_WE)
    set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}_${stem}_res.o)
    add_custom_command(OUTPUT ${object}
        COMMAND ${CMAKE_RC_COMPILER} -J res -O coff -i ${CE_RES_FILE} -o ${object}
        DEPENDS ${CE_RES_TARGET} ${CE_RES_FILE}
        VERBATIM)
    add_custom_target(${target}_${stem}_res DEPENDS ${object})
    add_dependencies(${target} ${target}_${stem}_res)
    target_link_libraries(${target} PRIVATE ${object})
endfunction()

foreach(dir resources settings bias app)
    add_subdirectory(${dir})
endforeach()
set_target_properties(velquin PROPERTIES OUTPUT_NAME Velquin)

add_subdirectory(tests/win32)
