# Helpers shared by every folder of the tree.
#
# A layout folder is one static library; its sources are the .cpp files of the folder
# (subfolders are separate libraries), so adding a module needs no CMake edit.

set(QB_ROOT ${CMAKE_SOURCE_DIR})

# qb_add_library(<target> <folder relative to the root> [DEPS <targets...>] [PCH])
function(qb_add_library target folder)
  cmake_parse_arguments(ARG "PCH" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${QB_ROOT}/${folder}/*.cpp ${QB_ROOT}/${folder}/*.h)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${QB_ROOT})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  if(ARG_PCH)
    target_precompile_headers(${target} PRIVATE <QtWidgets> <string> <vector>)
  endif()
endfunction()

# qb_add_tests(<folder relative to tests/> DEPS <targets...>)
# One test program per test_*.cpp file, so a broken file stops only its own program.
function(qb_add_tests folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${QB_ROOT}/tests/${folder}/test_*.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${QB_ROOT}/tests/${folder}/support_*.cpp)
  string(REPLACE "/" "_" prefix ${folder})
  foreach(test_source ${tests})
    get_filename_component(name ${test_source} NAME_WE)
    set(target ${prefix}_${name})
    add_executable(${target} ${test_source} ${support})
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} qb_test_main GTest::gtest GTest::gmock)
    target_compile_definitions(${target} PRIVATE QB_TEST_DATA="${QB_ROOT}/tests/data")
    add_test(NAME ${folder}/${name} COMMAND ${target})
    set_tests_properties(${folder}/${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1"
      TIMEOUT 300)
  endforeach()
endfunction()

# qb_add_fuzzer(<name> <source> DEPS <targets...>): built only with QB_FUZZ (clang).
function(qb_add_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  if(NOT QB_FUZZ)
    return()
  endif()
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # scripts/fuzz.sh runs the targets from the top of the build folder.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
