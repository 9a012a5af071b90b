# Registers the test server's classes under HKEY_CLASSES_ROOT, as an
# installer registers an in-process server: the module path as the default
# value of InprocServer32 and ThreadingModel "Both". Run with cmake -P:
#   -DWINE=<wine or empty on Windows> -DWINEPREFIX=<prefix>
#   -DSERVER=<dll> -DMODULE=<dll> -DMISSING=<dll that does not exist>
#   -DBAD_FORMAT=<file to write>
# Paths are host paths; under Wine they are reached through drive Z:.

function(windows_form path out)
  if(WINE AND path MATCHES "^/")
    set(path "Z:${path}")
  endif()
  string(REPLACE "/" "\\" path "${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

if(WINE)
  # As the tests run: no display, no Mono or Gecko installers.
  set(ENV{WINEPREFIX} "${WINEPREFIX}")
  set(ENV{WINEDEBUG} "-all")
  set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=;winemenubuilder.exe=d")
  unset(ENV{DISPLAY})
  unset(ENV{WAYLAND_DISPLAY})
endif()

function(reg_add key)
  if(WINE)
    set(command ${WINE} reg add ${key} ${ARGN} /f)
  else()
    set(command reg add ${key} ${ARGN} /f)
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "reg add ${key} failed (${result}): ${errors}")
  endif()
endfunction()

function(register_class clsid module)
  windows_form("${module}" path)
  set(key "HKCR\\CLSID\\${clsid}\\InprocServer32")
  reg_add("${key}" /ve /d "${path}")
  reg_add("${key}" /v ThreadingModel /d Both)
endfunction()

file(WRITE "${BAD_FORMAT}" "This is no module.\n")
# The CLSIDs of TestServer.h.
register_class("{6C1D2B3A-94E5-4F07-8A61-2E5BC017D348}" "${SERVER}")
register_class("{6C1D2B3B-94E5-4F07-8A61-2E5BC017D348}" "${SERVER}")
register_class("{6C1D2B3C-94E5-4F07-8A61-2E5BC017D348}" "${MISSING}")
register_class("{6C1D2B3D-94E5-4F07-8A61-2E5BC017D348}" "${MODULE}")
register_class("{6C1D2B3F-94E5-4F07-8A61-2E5BC017D348}" "${BAD_FORMAT}")
