# pictovane_add_test(<name> SOURCES <files...> [LIBS <targets...>] [XVFB])
# One Qt Test executable registered with CTest on the offscreen platform.
# XVFB runs it under xvfb-run instead (for real window masks and mouse
# delivery); where xvfb-run is missing the test reports a skip, not a pass.
# Every run goes through cmake/run-test, which turns a pass that skipped for
# what the machine lacks (SKIP_LACKING, tests/support/lacking.h) into CTest's
# skip.
set(PICTOVANE_SKIP_CODE 77)
set(PICTOVANE_RUN_TEST ${CMAKE_CURRENT_LIST_DIR}/run-test)

function(pictovane_add_test name)
  cmake_parse_arguments(ARG "XVFB" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  # The fixtures every test shares.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE
    PICTOVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PICTOVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
  find_program(XVFB_RUN xvfb-run)
  if(ARG_XVFB AND XVFB_RUN)
    add_test(NAME ${name} COMMAND ${PICTOVANE_RUN_TEST} ${XVFB_RUN} -a -s "-screen 0 1280x1024x24 -noreset" $<TARGET_FILE:${name}>)
    # xvfb-run -a picks its display racily; tests that start one take turns.
    # Under the sanitizers LeakSanitizer's exit scan has crashed ("Tracer
    # caught signal 11") beside the X connection's threads; these tests check
    # memory errors, and the offscreen tests check the same code for leaks.
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=xcb;ASAN_OPTIONS=detect_leaks=0:abort_on_error=0" RESOURCE_LOCK xvfb)
  elseif(ARG_XVFB)
    add_test(NAME ${name} COMMAND sh -c "echo 'SKIP: xvfb-run is missing; this test needs a real X display'; exit ${PICTOVANE_SKIP_CODE}")
  else()
    add_test(NAME ${name} COMMAND ${PICTOVANE_RUN_TEST} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  # The sanitizers slow every started program several times over.
  if(PICTOVANE_SANITIZE)
    set(timeout 300)
  else()
    set(timeout 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} SKIP_RETURN_CODE ${PICTOVANE_SKIP_CODE})
endfunction()
