# Toolchain for the desktop target (make win32): 64-bit Windows executables from
# Debian's mingw-w64, with the posix-threads compilers, whose C++ library has
# std::mutex and std::thread (GoogleTest needs them); winpthread links in
# statically with everything else.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CE_MINGW_TRIPLE}-windres)

# The SDK's headers and libraries, and nothing of the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${CE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Where a resource script finds the real <windows.h>.
set(CE_RC_SDK_INCLUDE /usr/${CE_MINGW_TRIPLE}/include)
