# Cross build for x86-64 Windows with Debian's mingw-w64 compilers. The -posix flavour: the default
# one has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARROW_MINGW_TRIPLET x86_64-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# The x86-64 build is the one whose tests run: under wine64.
# Debian puts the wine64 loader outside PATH when the 32-bit wine package is absent.
find_program(TARROW_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TARROW_WINE64 wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARROW_WINE64})
