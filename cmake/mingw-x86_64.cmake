# Cross-compiling the 64-bit Windows program with Debian's mingw-w64. Its tests run under Wine's
# 64-bit loader, which Debian keeps in /usr/lib/wine: plain `wine` needs a host that runs 32-bit
# code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(WINE_LOADER_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
