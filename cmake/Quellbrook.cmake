# Helpers shared by every folder of the tree.
#
# A layout folder is one static library; its sources are the .cpp files of the folder
# (subfolders are separate libraries), so adding a module needs no CMake edit.

set(QB_ROOT ${CMAKE_SOURCE_DIR})

# qb_add_library(<target> <folder relative to the root> [DEPS <targets...>] [PCH widgets])
# PCH widgets: the library's sources start from the Qt Widgets headers, precompiled once for
# every widget library. (Measured: it pays for widget code; for the chart model layers, whose
# files include little of Qt, loading a precompiled header costs more than it saves.)
function(qb_add_library target folder)
  cmake_parse_arguments(ARG "" "PCH" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${QB_ROOT}/${folder}/*.cpp ${QB_ROOT}/${folder}/*.h)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${QB_ROOT})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  if(ARG_PCH)
    qb_shared_pch(${ARG_PCH})
    target_precompile_headers(${target} REUSE_FROM qb_${ARG_PCH}_pch)
  endif()
endfunction()

# The precompiled headers of one kind of library, made on first use.
function(qb_shared_pch kind)
  if(TARGET qb_${kind}_pch)
    return()
  endif()
  if(kind STREQUAL "widgets")
    set(qt Qt6::Widgets)
    set(headers <QDialog> <QLabel> <QLineEdit> <QPushButton> <QVBoxLayout> <QWidget> <QPainter>)
  else()
    message(FATAL_ERROR "qb_add_library: PCH is widgets, not ${kind}")
  endif()
  set(source ${CMAKE_BINARY_DIR}/qb_${kind}_pch.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// The shared precompiled headers are built with this file.\n")
  add_library(qb_${kind}_pch STATIC ${source})
  target_link_libraries(qb_${kind}_pch PUBLIC ${qt})
  target_precompile_headers(qb_${kind}_pch PRIVATE ${headers}
    <algorithm> <cmath> <functional> <map> <memory> <stdexcept> <string> <vector>)
endfunction()

# qb_check_unwind(<target>): an optimised link fails when two unwind entries share a start
# address (scripts/check_unwind.py); exceptions thrown there would end the program.
function(qb_check_unwind target)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${QB_ROOT}/scripts/check_unwind.py $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# qb_add_tests(<folder relative to tests/> DEPS <targets...>)
# One test program per test folder: its support_*.cpp files are compiled once into a small
# library, its test_*.cpp files into the program. CTest still lists every test on its own
# (each runs in a process of its own), so `ctest -R` and failure output name the test.
function(qb_add_tests folder)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;EXCLUDE" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${QB_ROOT}/tests/${folder}/test_*.cpp)
  if(NOT tests AND NOT ARG_SOURCES)
    return()  # a folder whose first tests are still to come
  endif()
  file(GLOB support CONFIGURE_DEPENDS ${QB_ROOT}/tests/${folder}/support_*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM support ${QB_ROOT}/tests/${excluded})
  endforeach()
  string(REPLACE "/" "_" prefix ${folder})
  set(target ${prefix}_tests)
  set(libs ${ARG_DEPS} qb_test_main GTest::gtest GTest::gmock)
  if(support)
    add_library(${prefix}_support STATIC ${support})
    target_link_libraries(${prefix}_support PUBLIC ${libs})
    qb_test_target_settings(${prefix}_support "${support}")
    list(PREPEND libs ${prefix}_support)
  endif()
  add_executable(${target} ${tests} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${libs})
  # Every test starts the program anew: a fixed-address program skips most of the start-up
  # relocations of a large sanitizer build.
  target_link_options(${target} PRIVATE -no-pie)
  qb_test_target_settings(${target} "${tests}")
  qb_check_unwind(${target})
  gtest_discover_tests(${target}
    TEST_PREFIX "${folder}/"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1"
      TIMEOUT 300)
endfunction()

# Shared settings of test code: the precompiled test headers, and moc only where a file
# declares a Q_OBJECT class.
function(qb_test_target_settings target sources)
  target_precompile_headers(${target} REUSE_FROM qb_test_pch)
  set(needs_moc OFF)
  foreach(source ${sources})
    if(NOT IS_ABSOLUTE ${source})
      set(source ${QB_ROOT}/tests/${source})
    endif()
    file(STRINGS ${source} lines REGEX "Q_OBJECT")
    if(lines)
      set(needs_moc ON)
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES AUTOMOC ${needs_moc})
endfunction()

# qb_add_fuzzer(<name> <source> DEPS <targets...>)
# With QB_FUZZ (clang) a libFuzzer program; in every other test build the source joins the
# seed replay program, which CTest runs over tests/data/fuzz/<name>/.
function(qb_add_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  if(QB_FUZZ)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_include_directories(${name} PRIVATE ${QB_ROOT}/tests)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # scripts/fuzz.sh runs the targets from the top of the build folder.
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    return()
  endif()
  # Each target's entry points get names of their own, so all of them fit in one program.
  set_source_files_properties(${source} PROPERTIES COMPILE_DEFINITIONS
    "LLVMFuzzerTestOneInput=${name}_TestOneInput;LLVMFuzzerInitialize=${name}_Initialize")
  set_property(GLOBAL APPEND PROPERTY QB_FUZZERS ${name})
  set_property(GLOBAL APPEND PROPERTY QB_FUZZER_SOURCES ${source})
  set_property(GLOBAL APPEND PROPERTY QB_FUZZER_DEPS ${ARG_DEPS})
endfunction()

# The seed replay program of every fuzz target, and one CTest entry per target.
function(qb_add_fuzz_replay)
  if(QB_FUZZ)
    return()
  endif()
  get_property(names GLOBAL PROPERTY QB_FUZZERS)
  get_property(sources GLOBAL PROPERTY QB_FUZZER_SOURCES)
  get_property(deps GLOBAL PROPERTY QB_FUZZER_DEPS)
  list(REMOVE_DUPLICATES deps)
  set(declarations "")
  set(rows "")
  foreach(name ${names})
    string(APPEND declarations
      "extern \"C\" int ${name}_TestOneInput(const uint8_t*, size_t);\n"
      "extern \"C\" int ${name}_Initialize(int*, char***) __attribute__((weak));\n")
    string(APPEND rows "    {\"${name}\", ${name}_TestOneInput, ${name}_Initialize},\n")
  endforeach()
  set(table ${CMAKE_CURRENT_BINARY_DIR}/FuzzTargets.cpp)
  file(CONFIGURE OUTPUT ${table} CONTENT
"#include \"support/FuzzReplay.h\"
@declarations@
const std::vector<qbtest::FuzzTarget>& qbtest::FuzzTargets()
{
    static const std::vector<FuzzTarget> targets = {
@rows@    };
    return targets;
}
" @ONLY)
  add_executable(qb_fuzz_replay support/FuzzReplay.cpp ${table} ${sources})
  target_include_directories(qb_fuzz_replay PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(qb_fuzz_replay PRIVATE ${deps})
  target_link_options(qb_fuzz_replay PRIVATE -no-pie)
  qb_check_unwind(qb_fuzz_replay)
  foreach(name ${names})
    add_test(NAME fuzz/${name} COMMAND qb_fuzz_replay ${name} ${CMAKE_CURRENT_SOURCE_DIR}/data/fuzz/${name})
    set_tests_properties(fuzz/${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1"
      TIMEOUT 300)
  endforeach()
endfunction()
