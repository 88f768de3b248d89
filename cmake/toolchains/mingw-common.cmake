# What both Windows cross builds share; the toolchain file of each names its processor and triplet
# first, then includes this.
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
