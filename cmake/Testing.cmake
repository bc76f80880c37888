option(BRIMLET_TESTS "Build the tests (they run under Wine)" ON)
if(NOT BRIMLET_TESTS)
  return()
endif()

find_path(BRIMLET_GTEST_SOURCE CMakeLists.txt PATHS /usr/src/googletest NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT BRIMLET_GTEST_SOURCE)
  message(FATAL_ERROR "GoogleTest sources not found in /usr/src/googletest: run scripts/bootstrap")
endif()
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${BRIMLET_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

enable_testing()
# Every test executable runs under Wine through this wrapper; scripts/test prepares the prefix,
# the display and the wine server it expects.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run CACHE FILEPATH "" FORCE)
set(BRIMLET_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)

# brimlet_add_test(<name> SOURCES ... [LIBS ...] [DATA ...] [TIMEOUT s] [COST s] [DESKTOP])
# One executable is one CTest test; its GoogleTest report goes to test-results/<name>.xml.
# scripts/test starts several desks (a display, a Wine prefix and a wine server each, two slots a desk), and CTest
# gives every test room on one of them, so the programs spread over the wine servers.
# DESKTOP: the test moves the mouse, types or takes the focus, so it takes a whole desk and nothing runs beside it.
# COST: about how many seconds the program runs where that is long, so that CTest starts it first and the run
# does not end waiting for it alone.
function(brimlet_add_test name)
  cmake_parse_arguments(T "DESKTOP" "TIMEOUT;COST" "SOURCES;LIBS;DATA" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gmock_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:Z:${BRIMLET_TEST_RESULTS}/${name}.xml
           WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_DESKTOP)
    set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS desk:2)
  else()
    set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS desk:1)
  endif()
  if(T_COST)
    set_tests_properties(${name} PROPERTIES COST ${T_COST})
  endif()
  foreach(d ${T_DATA})
    add_custom_command(TARGET ${name} POST_BUILD COMMAND ${CMAKE_COMMAND} -E copy_if_different ${d} $<TARGET_FILE_DIR:${name}>)
  endforeach()
endfunction()
