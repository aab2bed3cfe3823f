# Cross build for 64-bit Windows with Debian's mingw-w64
# (g++-mingw-w64-x86-64-posix: the posix thread model, which std::thread
# and std::mutex need). Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VERDIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VERDIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VERDIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VERDIN_MINGW_TRIPLET}-windres)
set(CMAKE_STRIP ${VERDIN_MINGW_TRIPLET}-strip)

# Libraries and headers come from the mingw sysroot and the prefixes
# given in CMAKE_PREFIX_PATH (the cached dependency builds, searched as
# roots of their own), never from
# the Linux system; programs (the host's tools) do.
set(CMAKE_FIND_ROOT_PATH /usr/${VERDIN_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under Wine (ctest, test discovery).
find_program(VERDIN_WINE wine)
if(VERDIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VERDIN_WINE})
endif()
