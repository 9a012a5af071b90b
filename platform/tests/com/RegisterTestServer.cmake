# Registers the test server's classes under HKEY_CLASSES_ROOT, as an
# installer registers an in-process server: the module path as the default
# value of InprocServer32 and ThreadingModel "Both". One .reg file imported
# with `reg import`, since every start of Wine's reg costs seconds. Run with
#   cmake -DWINE=<wine, or empty on Windows> -DWINEPREFIX=<prefix>
#         -DSERVER=<dll> -DMODULE=<dll> -DMISSING=<dll that does not exist>
#         -DBAD_FORMAT=<file to write> -DREG_FILE=<.reg file to write>
#         -P RegisterTestServer.cmake
# Paths are host paths; under Wine they are reached through drive Z:.

if(WINE)
  # As the tests run: no display, no Mono or Gecko installers.
  set(ENV{WINEPREFIX} "${WINEPREFIX}")
  set(ENV{WINEDEBUG} "-all")
  set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=;winemenubuilder.exe=d")
  unset(ENV{DISPLAY})
  unset(ENV{WAYLAND_DISPLAY})
endif()

# A host path as a quoted .reg string in Windows form.
function(reg_string path out)
  if(WINE AND path MATCHES "^/")
    set(path "Z:${path}")
  endif()
  string(REPLACE "/" "\\\\" path "${path}")
  set(${out} "\"${path}\"" PARENT_SCOPE)
endfunction()

set(text "Windows Registry Editor Version 5.00\n")
function(register_class clsid module)
  reg_string("${module}" path)
  string(APPEND text "\n[HKEY_CLASSES_ROOT\\CLSID\\${clsid}\\InprocServer32]\n@=${path}\n\"ThreadingModel\"=\"Both\"\n")
  set(text "${text}" PARENT_SCOPE)
endfunction()

file(WRITE "${BAD_FORMAT}" "This is no module.\n")
# The CLSIDs of TestServer.h.
register_class("{6C1D2B3A-94E5-4F07-8A61-2E5BC017D348}" "${SERVER}")
register_class("{6C1D2B3B-94E5-4F07-8A61-2E5BC017D348}" "${SERVER}")
register_class("{6C1D2B3C-94E5-4F07-8A61-2E5BC017D348}" "${MISSING}")
register_class("{6C1D2B3D-94E5-4F07-8A61-2E5BC017D348}" "${MODULE}")
register_class("{6C1D2B3F-94E5-4F07-8A61-2E5BC017D348}" "${BAD_FORMAT}")
file(WRITE "${REG_FILE}" "${text}")

reg_string("${REG_FILE}" reg_file)
string(REPLACE "\\\\" "\\" reg_file "${reg_file}")
string(REPLACE "\"" "" reg_file "${reg_file}")
if(WINE)
  set(command ${WINE} reg import "${reg_file}")
else()
  set(command reg import "${reg_file}")
endif()
# The output goes to a file, not a pipe: the first Wine program of a prefix
# starts Wine's own services, which inherit the program's handles and would
# hold a pipe open (and this script waiting) long after reg has ended.
execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_FILE "${REG_FILE}.log" ERROR_FILE "${REG_FILE}.err")
if(NOT result EQUAL 0)
  file(READ "${REG_FILE}.log" output)
  file(READ "${REG_FILE}.err" errors)
  message(FATAL_ERROR "reg import ${reg_file} failed (${result}): ${output}${errors}")
endif()
