# Cross-build for 64-bit Windows with MinGW-w64 (Debian g++-mingw-w64-x86-64).
# Tests run under Wine: see mingw-w64-common.cmake.
set(QM_MINGW_TRIPLE x86_64-w64-mingw32)
set(QM_MINGW_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
