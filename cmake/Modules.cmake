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
  else()
    gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
