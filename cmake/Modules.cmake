# Helpers that declare one library per source folder and one test binary per subsystem.

# qm_module(<name> DEPS <libs...>): library qm_<name> from the *.cpp files of the current folder.
function(qm_module name)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
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

# qm_test(<name> DEPS <libs...>): test binary test_<name> from the *.cpp files of the current folder.
function(qm_test name)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  # The test entry sets the headless drivers and the plug-in directory itself, so a binary runs alike
  # under ctest and by hand.
  add_executable(test_${name} ${srcs} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_compile_definitions(test_${name} PRIVATE QM_TEST_PLUGIN_DIR="${PROJECT_BINARY_DIR}/plugins")
  target_link_libraries(test_${name} PRIVATE ${T_DEPS} qm_testdata GTest::gtest)
  foreach(plugin blt_p5 blt_p6 VQ6_512)
    if(TARGET ${plugin})
      add_dependencies(test_${name} ${plugin})
    endif()
  endforeach()
  gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
endfunction()
