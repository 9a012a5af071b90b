# Cross-build for 32-bit x86 Windows with MinGW-w64 (Debian g++-mingw-w64-i686),
# the architecture the deliverables ship for.
set(QM_MINGW_TRIPLE i686-w64-mingw32)
set(QM_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
