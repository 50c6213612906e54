# Build helpers shared by every folder: tests and compiled resources.

find_program(CE_LLVM_RC NAMES llvm-rc llvm-rc-14 llvm-rc-15 REQUIRED)
# The SDK headers resource scripts are compiled with: the device's stand-in, or
# the real ones in the desktop target (its toolchain file says where).
if(NOT CE_RC_SDK_INCLUDE)
    set(CE_RC_SDK_INCLUDE ${PROJECT_SOURCE_DIR}/platform/include)
endif()

# ce_test_code(TARGET [OWN_PCH])
# Settings for the tests' own code. It is built to run, not to be debugged: no
# debug information and no optimisation (the code under test keeps the build's
# settings), except in a Debug build, where sanitizer reports want line numbers.
# Every test shares one precompiled header, made once by the test_support
# library (tests/support/PrecompiledHeaders.h). A test whose libraries bring
# preprocessor definitions of their own (ncursesw's _XOPEN_SOURCE, say) cannot
# use that one: OWN_PCH gives it a copy compiled with its own definitions, when
# its files are compiled one by one (compiled as one unit, the unit reads the
# headers once, which costs less than making the copy). A header that does not
# fit is never an error; the compiler then reads the headers themselves.
function(ce_test_code target)
    cmake_parse_arguments(ARG "OWN_PCH" "" "" ${ARGN})
    target_compile_definitions(${target} PRIVATE
        CE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" CE_BINARY_DIR="${PROJECT_BINARY_DIR}")
    if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
        target_compile_options(${target} PRIVATE -O0 -g0)
    endif()
    target_link_libraries(${target} PRIVATE GTest::gtest)
    set_target_properties(${target} PROPERTIES PCH_WARN_INVALID OFF)
    get_target_property(one_unit ${target} UNITY_BUILD)
    if(target STREQUAL "test_support" OR (ARG_OWN_PCH AND NOT one_unit))
        target_precompile_headers(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/PrecompiledHeaders.h)
    elseif(TARGET test_support AND NOT ARG_OWN_PCH)
        target_precompile_headers(${target} REUSE_FROM test_support)
    endif()
endfunction()

# ce_add_test(NAME SOURCES file... [LIBS lib...] [RESOURCES file.rc] [ENVIRONMENT VAR=value...] [OWN_PCH])
# One GoogleTest executable, its cases registered with CTest one by one. Test
# files that share libraries and resources go into one executable: adding a
# test file is one line in its SOURCES. OWN_PCH: see ce_test_code.
# In a unity build (the default, see the top CMakeLists.txt) the executable's
# files are compiled as one unit however many there are, GoogleTest's templates
# instantiated once for all of them.
# Each test runs on a device directory of its own under the build tree unless
# the test itself points CE_DEVICE_DIR elsewhere.
function(ce_add_test name)
    cmake_parse_arguments(ARG "OWN_PCH" "RESOURCES" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        UNITY_BUILD_BATCH_SIZE 0)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    if(ARG_OWN_PCH)
        ce_test_code(${name} OWN_PCH)
    else()
        ce_test_code(${name})
    endif()
    if(ARG_RESOURCES)
        ce_embed_resources(${name} ${ARG_RESOURCES})
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "CE_DEVICE_DIR=${CMAKE_BINARY_DIR}/test-device/${name};${ARG_ENVIRONMENT}")
endfunction()

# ce_compile_resources(file.rc)
# Compiles the resource script with llvm-rc into the build tree at the same
# relative place (resources/velquin.rc becomes build/resources/velquin.res), once
# however many targets embed it. Sets CE_RES_FILE and CE_RES_TARGET for the caller.
function(ce_compile_resources rc_file)
    get_filename_component(rc_path ${rc_file} ABSOLUTE)
    get_filename_component(stem ${rc_path} NAME_WE)
    get_filename_component(rc_dir ${rc_path} DIRECTORY)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${rc_dir})
    set(res ${PROJECT_BINARY_DIR}/${rel}/${stem}.res)
    string(MAKE_C_IDENTIFIER "ce_res_${rel}_${stem}" res_target)
    if(NOT TARGET ${res_target})
        file(GLOB rc_inputs CONFIGURE_DEPENDS ${rc_dir}/*.h ${rc_dir}/*.ico ${PROJECT_SOURCE_DIR}/platform/include/*.h)
        file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/${rel})
        add_custom_command(OUTPUT ${res}
            # llvm-rc reads any argument that starts with a slash as an option,
            # so an input under /check or /usr would be taken for /c or /u; the
            # "--" ends the options and lets the absolute path through.
            COMMAND ${CE_LLVM_RC} /nologo /L 0x409 /I ${rc_dir} /I ${CE_RC_SDK_INCLUDE}
                    /FO ${res} -- ${rc_path}
            DEPENDS ${rc_path} ${rc_inputs}
            WORKING_DIRECTORY ${rc_dir}
            COMMENT "Compiling resources ${rel}/${stem}.rc"
            VERBATIM)
        add_custom_target(${res_target} ALL DEPENDS ${res})
    endif()
    set(CE_RES_FILE ${res} PARENT_SCOPE)
    set(CE_RES_TARGET ${res_target} PARENT_SCOPE)
endfunction()

# ce_embed_resources(TARGET file.rc)
# Embeds the compiled resource script in TARGET as the resources of its own module.
function(ce_embed_resources target rc_file)
    ce_compile_resources(${rc_file})
    get_filename_component(stem ${rc_file} NAME_WE)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_${stem}_res.cpp)
    add_custom_command(OUTPUT ${generated}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${CE_RES_FILE} -DOUTPUT=${generated}
                -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
        DEPENDS ${CE_RES_TARGET} ${CE_RES_FILE} ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
        VERBATIM)
    # Compiled on its own, so that the target's own files do not see the
    # device's headers that the generated file needs.
    add_library(${target}_${stem}_res OBJECT ${generated})
    target_link_libraries(${target}_${stem}_res PRIVATE ce_resources)
    target_link_libraries(${target} PRIVATE ${target}_${stem}_res)
endfunction()
