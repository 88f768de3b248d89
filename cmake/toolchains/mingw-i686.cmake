# Cross build for i686 Windows with Debian's mingw-w64 compilers. The -posix flavour: the default
# one has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARROW_MINGW_TRIPLET i686-w64-mingw32)

# Floating point in SSE2, as on x86-64, not in the x87 unit this compiler uses by default: the x87
# keeps intermediate results in 80 bits, so money and quantities read from FLOAT and DOUBLE columns
# could round otherwise than what the x86-64 tests proved. It needs a Pentium 4 or later.
# -mstackrealign: Windows hands callbacks (window procedures, thread starts) a stack aligned to
# 4 bytes only, and SSE2 code may keep 16-byte values on it. Applied to every target by the
# project (not through the cache's initial flags, which a build tree made before would keep).
# __MINGW_USE_VC2005_COMPAT: a 64-bit time_t, as on x86-64 (the runtime's 32-bit one ends on
# 2038-01-19); the C runtime's clock then goes through its _time64 family.
set(TARROW_TARGET_OPTIONS -msse2 -mfpmath=sse -mstackrealign -D__MINGW_USE_VC2005_COMPAT)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
