include(GoogleTest)
# cantrel_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# Every test gets a private registry file through COMPONENT_REGISTRY.
function(cantrel_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  # The thread-sanitizer build runs only the tests that ask for it.
  if(CANTREL_SANITIZE STREQUAL "thread" AND NOT "tsan" IN_LIST T_LABELS)
    # A stand-in target, so that callers' add_dependencies still resolve.
    add_custom_target(${T_NAME})
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  # The framework loads its toolkit part at run time, never through a link.
  add_dependencies(${T_NAME} pxolectlqt)
  if("tsan" IN_LIST T_LABELS)
    set_property(GLOBAL APPEND PROPERTY CANTREL_TSAN_TESTS ${T_NAME})
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} testsupport GTest::gtest GTest::gtest_main Threads::Threads)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(_props TIMEOUT ${T_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABELS)
    # One label holding all names: a list would be split into property pairs
    # on its way through test discovery. ctest -L matches by regex anyway.
    list(JOIN T_LABELS "," _labels)
    list(APPEND _props LABELS ${_labels})
  endif()
  gtest_discover_tests(${T_NAME} PROPERTIES ${_props} DISCOVERY_TIMEOUT 60)
endfunction()
