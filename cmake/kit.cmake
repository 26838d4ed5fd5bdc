# Compiler settings shared by every target, and the helpers that declare
# product code, tests, fuzz targets and benchmarks.

add_compile_options(-Wall -Wextra -Werror)

# Native builds run under the sanitizers, except the one that measures speed.
option(KIT_SANITIZE "native build with AddressSanitizer, UBSan and fuzzing coverage" ON)

if(WIN32)
  # Sources are UTF-8; narrow literals must hold code page 932 bytes.
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP932)
  add_compile_definitions(STRICT WIN32_LEAN_AND_MEAN)
  # No MinGW runtime DLL may be needed at run time.
  add_link_options(-static)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
  # The programs link without the compiler's default libraries (kit_program):
  # libgcc goes last, after the system import libraries. Programs with the C
  # runtime get it again from the compiler, which does no harm.
  string(APPEND CMAKE_CXX_STANDARD_LIBRARIES " -lgcc")
  enable_language(RC)
elseif(KIT_SANITIZE)
  # Natively everything runs under AddressSanitizer and UBSan. Portable
  # sources stay ASCII: clang knows no CP932 execution character set, so any
  # Japanese text lives on the Win32 side.
  set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${sanitize})
  add_link_options(${sanitize})
  # Coverage for libFuzzer in every library the fuzz targets link.
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

# Product code: no exceptions, no RTTI, and on Windows headers limited to
# what Windows 95/98 and NT 4 offer.
function(kit_product target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0400)
    # gcc turns byte loops into calls of strlen, memchr and the like, which the
    # programs do not have (they have no C runtime, see kit_program).
    target_compile_options(${target} PRIVATE -fno-tree-loop-distribute-patterns)
  endif()
endfunction()

# A GUI program with no console window and no C runtime: MSVCRT.DLL is
# younger than the first Windows 95. The program starts at its own entry
# (runtime/), imports only system DLLs and takes from libgcc only the helpers
# the compiler calls (stack probes, 64-bit division): CMake's list of system
# libraries, which ends every link, ends with libgcc (see above).
function(kit_program target)
  kit_product(${target})
  if(WIN32)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      set(entry _kitEntry)
    else()
      set(entry kitEntry)
    endif()
    target_link_options(${target} PRIVATE -nostartfiles -nodefaultlibs -Wl,-e,${entry})
    target_link_libraries(${target} PRIVATE kit_entry kit_bytes)
    if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
      target_link_options(${target} PRIVATE -s)
    endif()
    # The shipped build fails on any import (delay-loaded ones too) that is
    # not in the program's pinned list of functions of the first Windows 95.
    if(KIT_BUILD STREQUAL "win32")
      find_package(Python3 REQUIRED COMPONENTS Interpreter)
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-imports $<TARGET_FILE:${target}>
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        VERBATIM)
      set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
        ${PROJECT_SOURCE_DIR}/scripts/imports/${target}.txt ${PROJECT_SOURCE_DIR}/scripts/check-imports)
    endif()
  endif()
endfunction()

# A test program. Every test program prints its own closing line
# "N passed, M failed"; an i686 program under wine64 exits 0 without running,
# so the line, not the exit code, decides.
function(kit_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE kit_testmain)
  add_test(NAME ${name} COMMAND ${name})
  kit_test_verdict(${name})
endfunction()

function(kit_test_verdict test)
  set_tests_properties(${test} PROPERTIES
    PASS_REGULAR_EXPRESSION "(^|\n)[0-9]+ passed, 0 failed"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]|ERROR: AddressSanitizer|runtime error:")
endfunction()

# A Win32 test program that starts the setup program, run once for each
# Windows version Wine reports to it (tests name_win98 and name_win10): the
# program takes --windows=VERSION and sets it for the setup program alone.
function(kit_test_windows_versions name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE kit_testmain)
  foreach(version win98 win10)
    add_test(NAME ${name}_${version} COMMAND ${name} --windows=${version})
    kit_test_verdict(${name}_${version})
  endforeach()
endfunction()

# A libFuzzer target (native clang builds only), run by scripts/test for a
# short time with its seeds from tests/fuzz/corpus/<name without _fuzzer>.
function(kit_fuzzer name)
  if(WIN32 OR NOT KIT_SANITIZE OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
endfunction()
