# Cross-builds for 64-bit Windows with Debian's mingw-w64 (GCC with POSIX threads, which Qt needs).
# Used for Qt and the libraries in the toolchain cache (scripts/windows/toolchain.sh) and for Velmora
# itself. The cache's install prefix comes from VELMORA_MINGW_PREFIX (a cache variable or the
# environment); libraries and packages are looked up there and in the compiler's own root only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_triplet}-windres)

if(NOT VELMORA_MINGW_PREFIX AND DEFINED ENV{VELMORA_MINGW_PREFIX})
  set(VELMORA_MINGW_PREFIX "$ENV{VELMORA_MINGW_PREFIX}")
endif()
# try_compile projects re-read this file: hand them the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
if(VELMORA_MINGW_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${VELMORA_MINGW_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${VELMORA_MINGW_PREFIX}")
  # pkg-config reads the target's .pc files only, never the build machine's.
  set(ENV{PKG_CONFIG_LIBDIR} "${VELMORA_MINGW_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs the Windows tests under Wine, on the windows platform (scripts/windows/test.sh sets up
# the display and the Wine prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
