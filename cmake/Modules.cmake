# Helpers that declare one library per source folder and one test binary per subsystem.

# qm_module(<name> [SOURCES <files...>] [EXCLUDE <files...>] DEPS <libs...>): library qm_<name> from the
# *.cpp files of the current folder, or from the SOURCES given; EXCLUDE leaves files to another library.
function(qm_module name)
  cmake_parse_arguments(M "" "" "DEPS;SOURCES;EXCLUDE" ${ARGN})
  if(M_SOURCES)
    list(TRANSFORM M_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE srcs)
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  foreach(x ${M_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${x})
  endforeach()
  if(srcs)
    add_library(qm_${name} STATIC ${srcs})
    target_include_directories(qm_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(qm_${name} PUBLIC ${M_DEPS})
  else()
    add_library(qm_${name} INTERFACE)
    target_include_directories(qm_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(qm_${name} INTERFACE ${M_DEPS})
  endif()
endfunction()

# qm_whole_test(<target> [DEMO]): the test binary run whole, as one process, under processor kinds 9 and 18
# (label "whole"): its cases must hold whatever ran before them, and the Pentium II and K6-3D routine
# families run whatever the machine. ctest runs each case alone besides, under the machine's own kind.
function(qm_whole_test target)
  cmake_parse_arguments(W "DEMO" "" "" ${ARGN})
  foreach(kind 9 18)
    set(name ${target}.whole.kind${kind})
    add_test(NAME ${name} COMMAND ${target})
    set(env "QM_CPU_KIND=${kind}")
    if(W_DEMO)
      list(APPEND env "QM_DEMO_DIR=${QM_DEMO_FIXTURE_DIR}")
      set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED demo)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS whole ENVIRONMENT "${env}")
  endforeach()
endfunction()

# qm_test(<name> [DEMO] DEPS <libs...>): test binary test_<name> from the *.cpp files of the current folder.
# DEMO: its tests use the demo installation that the fixture "demo" generates once per test run
# (tests/CMakeLists.txt; testdata/DemoFixture.h finds it through QM_DEMO_DIR).
function(qm_test name)
  cmake_parse_arguments(T "DEMO" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  # The test entry sets the headless drivers and the plug-in directory itself, so a binary runs alike
  # under ctest and by hand.
  add_executable(test_${name} ${srcs} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_compile_definitions(test_${name} PRIVATE QM_TEST_PLUGIN_DIR="${QM_PLUGIN_OUTPUT_DIR}")
  target_link_libraries(test_${name} PRIVATE ${T_DEPS} qm_testdata GTest::gtest)
  foreach(plugin blt_p5 blt_p6 VQ6_512)
    if(TARGET ${plugin})
      add_dependencies(test_${name} ${plugin})
    endif()
  endforeach()
  if(T_DEMO)
    add_dependencies(test_${name} qm_make_demo)
    gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60
                         PROPERTIES FIXTURES_REQUIRED demo ENVIRONMENT "QM_DEMO_DIR=${QM_DEMO_FIXTURE_DIR}")
    qm_whole_test(test_${name} DEMO)
  else()
    gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
    qm_whole_test(test_${name})
  endif()
endfunction()
