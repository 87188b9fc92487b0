# halvox_test(<name> LABELS <label>... SOURCES <file>... LIBS <target>...)
# One GoogleTest executable per area; every case becomes its own CTest test,
# so each runs in a process of its own (tests that enter private namespaces
# rely on that).
function(halvox_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "LABELS;SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} halvox_testsupport GTest::gtest GTest::gmock
                        GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
endfunction()
