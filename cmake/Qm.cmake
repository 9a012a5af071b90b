# Shared build helpers of the suite.

# Warnings for our own targets only (third-party sources such as googletest
# built in the Windows lane keep their own flags).
function(qm_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(QM_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  # The renderer's pictures must match bit for bit across builds: keep x87
  # out of 32-bit x86 and never contract or reorder floating point.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$" AND NOT MSVC)
    target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse)
  endif()
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE -ffp-contract=off)
  endif()
endfunction()

if(QM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

macro(qm_find_test_frameworks)
  if(CMAKE_CROSSCOMPILING)
    # No prebuilt GoogleTest for the cross targets: build it from Debian's sources.
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
      add_library(GTest::gmock ALIAS gmock)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
  if(QM_BENCH AND NOT CMAKE_CROSSCOMPILING)
    find_package(benchmark QUIET)
  endif()
endmacro()

# Adds every subfolder that has a CMakeLists.txt (used by qms/, tools/, ...).
function(qm_add_subdirectories)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# qm_add_test(name SOURCES ... LIBS ... [QT])
# One executable per test file group, run by CTest. QT marks a test that needs
# Qt (skipped where Qt is not built, as in the Windows lane).
function(qm_add_test name)
  cmake_parse_arguments(T "QT" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(T_QT AND NOT QM_WITH_QT)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  qm_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QM_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# qm_add_fuzzer(name SOURCES ... LIBS ...)
# A libFuzzer target, built only in the fuzz lane; scripts/test-sanitize runs
# every binary in <build>/fuzz for a short while.
function(qm_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT QM_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

# qm_add_bench(name SOURCES ... LIBS ...): Google Benchmark program, never a test.
function(qm_add_bench name)
  cmake_parse_arguments(B "QT" "" "SOURCES;LIBS" ${ARGN})
  if(NOT QM_BENCH OR NOT benchmark_FOUND OR (B_QT AND NOT QM_WITH_QT))
    return()
  endif()
  add_executable(${name} ${B_SOURCES})
  qm_warnings(${name})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
