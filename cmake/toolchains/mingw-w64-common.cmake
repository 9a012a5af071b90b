# Shared part of the MinGW-w64 toolchains. The including file sets
# QM_MINGW_TRIPLE (x86_64-w64-mingw32 or i686-w64-mingw32) and
# QM_MINGW_PROCESSOR first.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)
set(CMAKE_SYSTEM_PROCESSOR ${QM_MINGW_PROCESSOR})

# The posix thread model gives the full <thread>/<mutex> of the standard
# library; Debian's default alternative is the win32 model, which lacks
# std::thread in GCC 12.
foreach(lang C CXX)
  if(lang STREQUAL "C")
    set(tool gcc)
  else()
    set(tool g++)
  endif()
  find_program(QM_MINGW_${lang} NAMES ${QM_MINGW_TRIPLE}-${tool}-posix ${QM_MINGW_TRIPLE}-${tool} REQUIRED)
  set(CMAKE_${lang}_COMPILER ${QM_MINGW_${lang}})
endforeach()
find_program(CMAKE_RC_COMPILER NAMES ${QM_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the compiler's runtime (libstdc++, libgcc, winpthread) into every
# program and DLL: the binaries then run from the build folder under Wine,
# or copied to a Windows machine, without a set of runtime DLLs beside them.
# Every module still allocates through the one msvcrt heap, so memory may
# change hands across DLL boundaries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests and helper programs run under Wine, in a prefix of their own inside
# the build folder (made on first use). No display: Wine must never try to
# open a window, and the Mono/Gecko installers and the menu builder stay off.
find_program(QM_WINE NAMES wine wine64)
if(QM_WINE AND NOT QM_MINGW_NO_EMULATOR)
  set(QM_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix the Windows tests run in")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env -u DISPLAY -u WAYLAND_DISPLAY
      "WINEPREFIX=${QM_WINEPREFIX}"
      "WINEDEBUG=-all"
      "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"
      ${QM_WINE})
endif()
