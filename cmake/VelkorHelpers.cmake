# velkor_gtest(<name> SOURCES ... LIBS ... [OFFSCREEN] [LABELS ...])
# One GoogleTest executable per area; each test case becomes a ctest entry.
function(velkor_gtest name)
  cmake_parse_arguments(ARG "OFFSCREEN" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set(env ${ARG_ENV})
  if(ARG_OFFSCREEN)
    list(APPEND env QT_QPA_PLATFORM=offscreen)
  endif()
  list(APPEND env "VELKOR_BUILD_DIR=${CMAKE_BINARY_DIR}" "VELKOR_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  # gtest_discover_tests loses all but the first entry of a list-valued ENVIRONMENT property, so the
  # environment is set by running each test (and its discovery) through `cmake -E env`.
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${env}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${ARG_LABELS}")
endfunction()
