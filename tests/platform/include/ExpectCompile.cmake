# Compiles SOURCE with COMPILER and FLAGS (a ;-list) and checks the outcome:
# EXPECT "failure" needs a failed compilation whose diagnostics match PATTERN,
# EXPECT "success" a clean one.
execute_process(COMMAND ${COMPILER} ${FLAGS} -fsyntax-only ${SOURCE}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(EXPECT STREQUAL "failure")
    if(status EQUAL 0)
        message(FATAL_ERROR "${SOURCE} compiled, but it must not")
    endif()
    if(NOT err MATCHES "${PATTERN}")
        message(FATAL_ERROR "${SOURCE} failed, but not with \"${PATTERN}\":\n${err}")
    endif()
elseif(NOT status EQUAL 0)
    message(FATAL_ERROR "${SOURCE} did not compile:\n${err}")
endif()
