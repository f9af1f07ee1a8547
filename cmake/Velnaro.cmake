# Helpers shared by the folders' CMakeLists.txt files.

function(velnaro_add_dir dir)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# velnaro_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [QT] [LABELS l1 l2])
# One GoogleTest binary; its tests are listed when ctest runs. QT tests get
# Qt Widgets and Test and are skipped in builds without Qt.
function(velnaro_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_QT AND NOT VELNARO_QT)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(T_QT)
    target_link_libraries(${name} PRIVATE Qt6::Widgets Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    VELNARO_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    VELNARO_BUILD_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "${T_LABELS}"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
