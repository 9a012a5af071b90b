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

# A Qt for Windows (scripts/setup-qt-windows) joins the build through
# QM_QT_WINDOWS_PREFIX: its prefix becomes a find root, so find_package(Qt6)
# finds it and nothing of the host's Qt, and the host's moc, rcc and uic
# serve it (QT_HOST_PATH).
set(QM_QT_WINDOWS_PREFIX "" CACHE PATH "Qt built for this target (scripts/setup-qt-windows); empty: no Qt")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QM_QT_WINDOWS_PREFIX)
if(QM_QT_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${QM_QT_WINDOWS_PREFIX})
  set(QT_HOST_PATH /usr CACHE PATH "Host Qt whose tools serve the cross-build")
  execute_process(COMMAND gcc -print-multiarch OUTPUT_VARIABLE _qm_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${_qm_multiarch}/cmake CACHE PATH "CMake packages of the host Qt")
endif()

# The compiler's runtime (libstdc++, libgcc, winpthread). Without Qt it is
# linked into every program and DLL: the binaries then run from the build
# folder under Wine, or copied to a Windows machine, without a set of runtime
# DLLs beside them. Qt's DLLs link it as DLLs, and a process must hold one
# copy of it only: two copies of libstdc++ would give two sets of exception
# type information (an exception thrown through Qt's event loop, or out of
# trackrender.dll, would not be caught as its own type) and two sets of
# standard-library statics. So a build with Qt links every program, test and
# DLL of ours against the same runtime DLLs as Qt; the deploy step copies them
# beside the programs (QM_MINGW_RUNTIME_DIRS says where they are). Every
# module allocates through the one msvcrt heap in both forms.
# The project adds the link option (not the cached linker flags, which would
# outlive a reconfiguration of the same build folder with Qt).
if(QM_QT_WINDOWS_PREFIX)
  set(QM_MINGW_SHARED_RUNTIME ON)
else()
  set(QM_MINGW_STATIC_RUNTIME ON)
endif()
# Folders of the runtime DLLs: libstdc++-6.dll and libgcc_s_*.dll beside the
# compiler's own libraries, libwinpthread-1.dll in the target's lib folder.
execute_process(COMMAND ${QM_MINGW_CXX} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE _qm_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
execute_process(COMMAND ${QM_MINGW_CXX} -print-file-name=libwinpthread-1.dll
  OUTPUT_VARIABLE _qm_winpthread OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(QM_MINGW_RUNTIME_DIRS "")
foreach(_qm_dll ${_qm_libstdcxx} ${_qm_winpthread})
  if(IS_ABSOLUTE "${_qm_dll}" AND EXISTS "${_qm_dll}")
    get_filename_component(_qm_dir "${_qm_dll}" DIRECTORY)
    get_filename_component(_qm_dir "${_qm_dir}" REALPATH)
    list(APPEND QM_MINGW_RUNTIME_DIRS ${_qm_dir})
  endif()
endforeach()
list(REMOVE_DUPLICATES QM_MINGW_RUNTIME_DIRS)

# Tests and helper programs run under Wine, in a prefix of their own inside
# the build folder (made on first use). No display: Wine must never try to
# open a window, and the Mono/Gecko installers and the menu builder stay off.
find_program(QM_WINE NAMES wine wine64)
if(QM_WINE AND NOT QM_MINGW_NO_EMULATOR)
  set(QM_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix the Windows tests run in")
  if(QM_MINGW_SHARED_RUNTIME)
    # With Qt, the programs find Qt's and the runtime's DLLs through WINEPATH
    # (Wine's addition to the DLL search path), as a deployed program finds
    # them beside itself. WINEPATH's separator is a semicolon, which a CMake
    # list cannot carry through to CTest: a small script holds it.
    set(_qm_winepath "")
    foreach(_qm_dir ${QM_QT_WINDOWS_PREFIX}/bin ${QM_MINGW_RUNTIME_DIRS})
      string(REPLACE "/" "\\" _qm_dir "Z:${_qm_dir}")
      string(APPEND _qm_winepath "${_qm_dir};")
    endforeach()
    file(WRITE ${CMAKE_BINARY_DIR}/wine-run "#!/bin/sh
# Written by the MinGW toolchain: runs a Windows program of this build under
# Wine, with Qt's and the C++ runtime's DLLs on the DLL search path. Without
# a display by default; with QM_WINE_GUI_DISPLAY set (an X server, Xvfb in
# the lane) the Qt-based tests use Qt's real windows platform on it.
if [ -n \"\$QM_WINE_GUI_DISPLAY\" ]; then
  export DISPLAY=\"\$QM_WINE_GUI_DISPLAY\" QT_QPA_PLATFORM=windows
else
  unset DISPLAY
fi
unset WAYLAND_DISPLAY
export WINEPREFIX='${QM_WINEPREFIX}' WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
export WINEPATH='${_qm_winepath}'
exec '${QM_WINE}' \"$@\"
")
    file(CHMOD ${CMAKE_BINARY_DIR}/wine-run PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
      GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR
        /usr/bin/env -u DISPLAY -u WAYLAND_DISPLAY
        "WINEPREFIX=${QM_WINEPREFIX}"
        "WINEDEBUG=-all"
        "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"
        ${QM_WINE})
  endif()
endif()
