# Installs DiscPrintMgr.dll into a machine folder of the build tree and
# registers it under HKEY_CLASSES_ROOT, as the host software's installer
# does: the module path as InprocServer32's default value and
# ThreadingModel "Both". One .reg file imported with `reg import`. Run with
#   cmake -DWINE=<wine, or empty on Windows> -DWINEPREFIX=<prefix>
#         -DSERVER=<dll> -DMACHINE=<machine folder> -DREG_FILE=<.reg to write>
#         -P RegisterDiscPrintMgr.cmake
# Paths are host paths; under Wine they are reached through drive Z:.

if(WINE)
  set(ENV{WINEPREFIX} "${WINEPREFIX}")
  set(ENV{WINEDEBUG} "-all")
  set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=;winemenubuilder.exe=d")
  unset(ENV{DISPLAY})
  unset(ENV{WAYLAND_DISPLAY})
endif()

file(REMOVE_RECURSE "${MACHINE}")
set(folder "${MACHINE}/drive_c/Program Files/Common Files/Quillmark")
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${SERVER}" "${folder}/DiscPrintMgr.dll")
# Every setting is optional; the tests write the server's section.
file(WRITE "${MACHINE}/machine.json" "{}\n")

set(module "${folder}/DiscPrintMgr.dll")
if(WINE AND module MATCHES "^/")
  set(module "Z:${module}")
endif()
string(REPLACE "/" "\\\\" module "${module}")
file(WRITE "${REG_FILE}" "Windows Registry Editor Version 5.00\n\n"
  "[HKEY_CLASSES_ROOT\\CLSID\\{5197646C-00EA-4307-A067-61319EBBE499}\\InprocServer32]\n"
  "@=\"${module}\"\n\"ThreadingModel\"=\"Both\"\n")

set(reg_file "${REG_FILE}")
if(WINE AND reg_file MATCHES "^/")
  set(reg_file "Z:${reg_file}")
endif()
string(REPLACE "/" "\\" reg_file "${reg_file}")
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
