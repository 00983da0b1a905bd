# 32-bit Windows with Debian's MinGW-w64; the programs the build makes run under Wine.
#
# The posix threading flavour: it is the one whose libstdc++ has std::mutex and
# std::thread, which the stand-in host and the tests use. Everything (programs,
# the plug-in, test DLLs) is linked statically, so no libstdc++, libgcc or
# winpthread DLL is needed beside any of them, and Wine, which has none of
# those, loads them all (tests/windows checks the plug-in's imports).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Wine runs the tests, each time in a prefix of this build's own (never the
# user's ~/.wine), 32-bit only, silent, and without offering to install Mono or
# Gecko, which would wait for a click on a machine that has no display.
find_program(VINTRAX_WINE wine REQUIRED)
find_program(VINTRAX_WINESERVER wineserver PATHS /usr/lib/wine REQUIRED)
set(VINTRAX_WINE_ENVIRONMENT
  "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
  "WINEARCH=win32"
  "WINEDEBUG=-all"
  "WINEDLLOVERRIDES=mscoree,mshtml="
)
# Through env, so that whatever runs a built program (CTest, a test-listing step)
# gets the same prefix and settings as the tests themselves.
set(CMAKE_CROSSCOMPILING_EMULATOR env ${VINTRAX_WINE_ENVIRONMENT} ${VINTRAX_WINE})
# Listing a test program's cases must not run Wine while building.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
