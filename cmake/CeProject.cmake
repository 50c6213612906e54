# Build helpers shared by every folder: tests and compiled resources.

find_program(CE_LLVM_RC NAMES llvm-rc llvm-rc-14 llvm-rc-15 REQUIRED)

# ce_add_test(NAME SOURCES file... [LIBS lib...] [RESOURCES file.rc] [ENVIRONMENT VAR=value...])
# One GoogleTest executable, its cases registered with CTest one by one.
# Each test runs on a device directory of its own under the build tree unless
# the test itself points CE_DEVICE_DIR elsewhere.
function(ce_add_test name)
    cmake_parse_arguments(ARG "" "RESOURCES" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${name} PRIVATE
        CE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" CE_BINARY_DIR="${PROJECT_BINARY_DIR}")
    if(ARG_RESOURCES)
        ce_embed_resources(${name} ${ARG_RESOURCES})
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "CE_DEVICE_DIR=${CMAKE_BINARY_DIR}/test-device/${name};${ARG_ENVIRONMENT}")
endfunction()

# ce_embed_resources(TARGET file.rc)
# Compiles the resource script with llvm-rc into <build>/<folder>/<stem>.res and
# embeds that file in TARGET as the resources of its own module.
function(ce_embed_resources target rc_file)
    get_filename_component(rc_path ${rc_file} ABSOLUTE)
    get_filename_component(stem ${rc_file} NAME_WE)
    get_filename_component(rc_dir ${rc_path} DIRECTORY)
    set(res ${CMAKE_CURRENT_BINARY_DIR}/${stem}.res)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_${stem}_res.cpp)
    if(NOT TARGET ce_res_${stem}_${target})
        file(GLOB_RECURSE rc_inputs CONFIGURE_DEPENDS ${rc_dir}/*.h ${rc_dir}/*.ico
             ${PROJECT_SOURCE_DIR}/platform/include/*.h)
        add_custom_command(OUTPUT ${res}
            COMMAND ${CE_LLVM_RC} /nologo /L 0x409 /I ${rc_dir} /I ${PROJECT_SOURCE_DIR}/platform/include
                    /FO ${res} ${rc_path}
            DEPENDS ${rc_path} ${rc_inputs}
            WORKING_DIRECTORY ${rc_dir}
            COMMENT "Compiling resources ${stem}.rc"
            VERBATIM)
        add_custom_command(OUTPUT ${generated}
            COMMAND ${CMAKE_COMMAND} -DINPUT=${res} -DOUTPUT=${generated}
                    -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
            DEPENDS ${res} ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
            VERBATIM)
    endif()
    target_sources(${target} PRIVATE ${generated})
    target_link_libraries(${target} PRIVATE ce_resources)
endfunction()
