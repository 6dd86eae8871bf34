# The include direction of src/ (layering, no circle between folders, no Qt in the core) and the
# length of the source files, checked by a small host program as part of the tests.
# Included from the top CMakeLists.txt after enable_testing(); not in a cross build, whose programs
# do not run on the build machine.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(include_check ${CMAKE_CURRENT_LIST_DIR}/include_check.cpp)
  add_test(NAME include_direction COMMAND include_check ${CMAKE_SOURCE_DIR})
  add_test(NAME include_check_selftest
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/structure/include_check_selftest.sh
                   $<TARGET_FILE:include_check>)
  set_tests_properties(include_direction include_check_selftest PROPERTIES TIMEOUT 60)
endif()
