# Cross build for x86-64 Windows with Debian's mingw-w64 compilers. The -posix flavour: the default
# one has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARROW_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TARROW_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARROW_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARROW_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARROW_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: libstdc++, libgcc and winpthread linked in, since a store's desktop has none of
# their DLLs. zlib is linked from its static archive for the same reason.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

# -O2 as on Linux: at -O3 this compiler warns of overflows in std::vector code that cannot happen,
# and warnings are errors.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")

# The x86-64 build is the one whose tests run: under wine64.
# Debian puts the wine64 loader outside PATH when the 32-bit wine package is absent.
find_program(TARROW_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TARROW_WINE64 wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARROW_WINE64})
