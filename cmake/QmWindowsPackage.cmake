# The Windows deliverables as users get them: a self-contained folder per
# install location (what windeployqt lays out: the programs, Qt's DLLs, the
# platform, style, print-support and image-format plugins, the C++ runtime's
# DLLs), a setup program (cpack -G NSIS) and a portable zip (cpack -G ZIP).
#
#   <Program Files>\Quillmark Tools\                 the suite: jobview, resedit,
#                                                    paramscope, mediaprobe, the
#                                                    command-line tools
#   <Program Files>\Quillmark Diagnostic Utility\    diagtool.exe alone: its About
#                                                    box reads the version of the
#                                                    file at exactly this place
#
# `cmake --install BUILD --prefix DIR` lays out DIR\Quillmark Tools\ and
# DIR\Quillmark Diagnostic Utility\ side by side, as they land in Program
# Files; the zip holds the same two folders.

set(QM_SUITE_FOLDER "Quillmark Tools")
set(QM_DIAGTOOL_FOLDER "Quillmark Diagnostic Utility")

# QM_SUITE_PROGRAMS (each with a Start-menu entry) and QM_SUITE_TOOLS: the
# top-level CMakeLists.txt.

# What every folder with a Qt program needs beside it: file and folder below
# the program's folder. Qt looks for its plugins in the program's folder.
set(_qm_qt_files "")
foreach(module Core Gui Widgets PrintSupport Xml)
  list(APPEND _qm_qt_files "Qt6::${module}|.")
endforeach()
foreach(plugin_folder
    "QWindowsIntegrationPlugin|platforms"
    "QWindowsVistaStylePlugin|styles"
    "QWindowsPrinterSupportPlugin|printsupport"
    "QICOPlugin|imageformats"
    "QJpegPlugin|imageformats"
    "QGifPlugin|imageformats")
  string(REPLACE "|" ";" pf "${plugin_folder}")
  list(GET pf 0 plugin)
  list(GET pf 1 folder)
  if(TARGET Qt6::${plugin})
    list(APPEND _qm_qt_files "Qt6::${plugin}|${folder}")
  elseif(plugin MATCHES "Integration|Vista")
    message(FATAL_ERROR "This Qt lacks its ${plugin}, which every deployed program needs")
  endif()
endforeach()

# The C++ runtime's DLLs, from the compiler's own folders: MinGW's beside the
# compiler (the cross toolchain found them already), MSVC's through CMake's
# own module.
set(_qm_runtime_dlls "")
if(MINGW AND NOT QM_MINGW_RUNTIME_DIRS)
  # A native MinGW on Windows links the runtime as DLLs by default.
  set(QM_MINGW_SHARED_RUNTIME ON)
  foreach(dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE path
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(dir "${path}" DIRECTORY)
    list(APPEND QM_MINGW_RUNTIME_DIRS "${dir}")
  endforeach()
  get_filename_component(dir "${CMAKE_CXX_COMPILER}" DIRECTORY)
  list(APPEND QM_MINGW_RUNTIME_DIRS "${dir}")
endif()
if(MSVC)
  set(CMAKE_INSTALL_SYSTEM_RUNTIME_LIBS_SKIP ON)
  include(InstallRequiredSystemLibraries)
  set(_qm_runtime_dlls ${CMAKE_INSTALL_SYSTEM_RUNTIME_LIBS})
endif()
if(QM_MINGW_SHARED_RUNTIME)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    set(_qm_gcc_dll libgcc_s_seh-1.dll)
  else()
    set(_qm_gcc_dll libgcc_s_dw2-1.dll)
  endif()
  foreach(dll libstdc++-6.dll ${_qm_gcc_dll} libwinpthread-1.dll)
    find_file(QM_RUNTIME_${dll} ${dll} PATHS ${QM_MINGW_RUNTIME_DIRS} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT QM_RUNTIME_${dll})
      message(FATAL_ERROR "${dll} not found in ${QM_MINGW_RUNTIME_DIRS}")
    endif()
    list(APPEND _qm_runtime_dlls ${QM_RUNTIME_${dll}})
  endforeach()
endif()

# The runtime's DLLs beside the build's own programs too: a test, a companion
# or a stand-in that Wine starts as a service or COM server finds them there,
# whatever environment started it (Qt's DLLs come through WINEPATH, for the
# Qt-based tests only).
if(_qm_runtime_dlls)
  add_custom_target(qm_runtime_beside_programs ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_qm_runtime_dlls} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    COMMENT "The C++ runtime's DLLs beside the programs")
endif()

# qm_deploy_runtime(folder component [EXCLUDE_FROM_ALL]): Qt and the runtime
# into one folder.
function(qm_deploy_runtime folder component)
  foreach(entry ${_qm_qt_files})
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 target)
    list(GET entry 1 sub)
    install(FILES $<TARGET_FILE:${target}> DESTINATION "${folder}/${sub}" COMPONENT ${component} ${ARGN})
  endforeach()
  install(FILES ${_qm_runtime_dlls} DESTINATION "${folder}" COMPONENT ${component} ${ARGN})
endfunction()

set(_qm_suite_targets ${QM_SUITE_PROGRAMS} ${QM_SUITE_TOOLS} trackrender jobfile)
# The two folders side by side (cmake --install, the zip).
install(TARGETS ${_qm_suite_targets} RUNTIME DESTINATION "${QM_SUITE_FOLDER}" COMPONENT suite)
qm_deploy_runtime("${QM_SUITE_FOLDER}" suite)
install(TARGETS diagtool RUNTIME DESTINATION "${QM_DIAGTOOL_FOLDER}" COMPONENT diagtool)
qm_deploy_runtime("${QM_DIAGTOOL_FOLDER}" diagtool)
# The suite's folder alone, as the setup program's install folder holds it.
install(TARGETS ${_qm_suite_targets} RUNTIME DESTINATION . COMPONENT setup EXCLUDE_FROM_ALL)
qm_deploy_runtime(. setup EXCLUDE_FROM_ALL)

# ---- the packages ------------------------------------------------------------
set(CPACK_PACKAGE_NAME "Quillmark Tools")
set(CPACK_PACKAGE_VENDOR "Quillmark")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quillmark tool suite: jobview, resedit, diagtool, paramscope, mediaprobe")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${QM_SUITE_FOLDER}")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Quillmark Tools")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  set(_qm_arch win64)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
  set(_qm_arch win32)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()
set(CPACK_PACKAGE_FILE_NAME "quillmark-tools-${PROJECT_VERSION}-${_qm_arch}")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_NSIS_DISPLAY_NAME "Quillmark Tools ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "Quillmark Tools")
set(CPACK_NSIS_INSTALLED_ICON_NAME "jobview.exe")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/cmake/icons/jobview.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/cmake/icons/jobview.ico")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
set(CPACK_NSIS_MODIFY_PATH OFF)
# Start-menu entries: executable;name pairs, the suite's programs.
set(CPACK_PACKAGE_EXECUTABLES "")
foreach(program ${QM_SUITE_PROGRAMS})
  list(APPEND CPACK_PACKAGE_EXECUTABLES ${program} ${program})
endforeach()

# The setup program installs the suite into its folder (INSTDIR, the user may
# choose) and diagtool into its fixed folder beside it: diagtool's files are
# written and removed by name, from the same list the install rules use.
set(_qm_diag_root "${CPACK_NSIS_INSTALL_ROOT}\\${QM_DIAGTOOL_FOLDER}")
set(_qm_diag_install "  SetOutPath \"${_qm_diag_root}\"\n  File \"${CMAKE_BINARY_DIR}/bin/diagtool.exe\"\n")
set(_qm_diag_remove "  Delete \"${_qm_diag_root}\\diagtool.exe\"\n")
set(_qm_diag_dirs "")
foreach(dll ${_qm_runtime_dlls})
  get_filename_component(name ${dll} NAME)
  string(APPEND _qm_diag_install "  File \"${dll}\"\n")
  string(APPEND _qm_diag_remove "  Delete \"${_qm_diag_root}\\${name}\"\n")
endforeach()
foreach(entry ${_qm_qt_files})
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 target)
  list(GET entry 1 sub)
  get_target_property(location ${target} IMPORTED_LOCATION_RELEASE)
  if(NOT location)
    get_target_property(location ${target} IMPORTED_LOCATION)
  endif()
  get_filename_component(name ${location} NAME)
  if(sub STREQUAL ".")
    set(dir "${_qm_diag_root}")
  else()
    set(dir "${_qm_diag_root}\\${sub}")
    list(APPEND _qm_diag_dirs "${dir}")
  endif()
  string(APPEND _qm_diag_install "  SetOutPath \"${dir}\"\n  File \"${location}\"\n")
  string(APPEND _qm_diag_remove "  Delete \"${dir}\\${name}\"\n")
endforeach()
list(REMOVE_DUPLICATES _qm_diag_dirs)
foreach(dir ${_qm_diag_dirs})
  string(APPEND _qm_diag_remove "  RMDir \"${dir}\"\n")
endforeach()
string(APPEND _qm_diag_remove "  RMDir \"${_qm_diag_root}\"\n")
# Back to the suite's folder for what the installer writes after this.
string(APPEND _qm_diag_install "  SetOutPath \"$INSTDIR\"\n")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "${_qm_diag_install}")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "${_qm_diag_remove}")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
  "  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\${QM_DIAGTOOL_FOLDER}.lnk\" \"${_qm_diag_root}\\diagtool.exe\"\n")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\${QM_DIAGTOOL_FOLDER}.lnk\"\n")

# CMake's own NSIS script keeps the install folder under
# HKLM\Software\<vendor>\<key>; HKLM\Software\Quillmark is the host
# software's own key, which diagtool examines and which is not ours to
# create or leave behind. Our copy of the script keeps it in the uninstall
# entry instead, which the uninstaller removes whole.
set(_qm_nsis_dir ${CMAKE_BINARY_DIR}/cpack-nsis)
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in _qm_nsis)
set(_qm_vendor_key [[Software\@CPACK_PACKAGE_VENDOR@\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@]])
string(FIND "${_qm_nsis}" "${_qm_vendor_key}" _qm_found)
if(_qm_found LESS 0)
  message(FATAL_ERROR "CMake's NSIS script has changed: review cmake/QmWindowsPackage.cmake")
endif()
string(REPLACE "${_qm_vendor_key}"
  [[Software\Microsoft\Windows\CurrentVersion\Uninstall\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@]] _qm_nsis "${_qm_nsis}")
# The setup program is a program of the build's own architecture (NSIS makes
# 32-bit ones unless told): a 64-bit Windows without its 32-bit layer, such
# as a Wine without wine32, runs it, and it sees the 64-bit registry and
# Program Files as the programs it installs do.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  set(_qm_target amd64-unicode)
else()
  set(_qm_target x86-unicode)
endif()
# After the script's first line, a comment that follows the file's byte order mark.
string(FIND "${_qm_nsis}" "\n" _qm_first_line_end)
string(SUBSTRING "${_qm_nsis}" 0 ${_qm_first_line_end} _qm_head)
string(SUBSTRING "${_qm_nsis}" ${_qm_first_line_end} -1 _qm_tail)
set(_qm_nsis "${_qm_head}\nTarget ${_qm_target}${_qm_tail}")
file(WRITE ${_qm_nsis_dir}/NSIS.template.in "${_qm_nsis}")
set(CPACK_MODULE_PATH ${_qm_nsis_dir})

# The setup program carries the suite only (diagtool comes by the commands
# above); the zip carries both folders.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/cpack-nsis/QmCPackOptions.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "
if(CPACK_GENERATOR STREQUAL \"NSIS\")
  set(CPACK_INSTALL_CMAKE_PROJECTS \"${CMAKE_BINARY_DIR};Quillmark;setup;/\")
endif()
")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
