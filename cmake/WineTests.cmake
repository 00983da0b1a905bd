# Test registration that works the same in the native build and in the
# cross build, whose programs run under Wine.
#
#   vintrax_add_gtest(<target> [gtest_discover_tests options...])
#     Native: one CTest test per GoogleTest case, found by gtest_discover_tests.
#     Wine: one CTest test per executable (GoogleTest reports the failing cases).
#     Listing the cases would start Wine once more per executable before any
#     test runs, outside the fixture below and its time limits.
#
#   vintrax_wine_test(<test>...)
#     For tests added by hand that run a built program: in the cross build they
#     get the Wine environment and wait for the prefix; natively nothing happens.
#
# The prefix lives in the build folder and is brought up once per CTest run by
# the fixture's setup test; the cleanup test waits for its wineserver to end so
# that no Wine process outlives the run. The environment is the one the
# toolchain file gives the emulator, so whatever else runs a built program
# (a PRE_TEST case listing, say) uses the same prefix.
include_guard(GLOBAL)
include(GoogleTest)

if(CMAKE_CROSSCOMPILING AND WIN32)
  set(VINTRAX_UNDER_WINE ON)
else()
  set(VINTRAX_UNDER_WINE OFF)
endif()

function(_vintrax_wine_fixture)
  get_property(done GLOBAL PROPERTY _VINTRAX_WINE_FIXTURE)
  if(done)
    return()
  endif()
  set_property(GLOBAL PROPERTY _VINTRAX_WINE_FIXTURE ON)

  # Creates the prefix when it is missing. Its wineserver is started first and
  # kept for a few seconds past the last Wine process, and with it the prefix's
  # own background programs: tests follow each other closely enough to share
  # them instead of paying for a fresh start each (about 2.5 s). wineserver
  # answers 2 when a server is already up, which is as good. Neither may hold
  # CTest's output pipe, or this test would last as long as they do; wineboot's
  # output is shown on failure.
  set(log ${CMAKE_BINARY_DIR}/wine_prefix_setup.log)
  add_test(NAME wine_prefix_setup
    COMMAND sh -c "\"$0\" -p5 </dev/null >/dev/null 2>&1
                   \"$1\" wineboot -i </dev/null >\"$2\" 2>&1 || { status=$?; cat \"$2\"; exit $status; }"
            ${VINTRAX_WINESERVER} ${VINTRAX_WINE} ${log})
  set_tests_properties(wine_prefix_setup PROPERTIES
    FIXTURES_SETUP vintrax_wine_prefix
    ENVIRONMENT "${VINTRAX_WINE_ENVIRONMENT}"
    TIMEOUT 300)

  # Waits for the server to go rather than stopping it: in a parallel run,
  # tests outside the fixture may still be using the prefix.
  add_test(NAME wine_prefix_cleanup COMMAND ${VINTRAX_WINESERVER} -w)
  set_tests_properties(wine_prefix_cleanup PROPERTIES
    FIXTURES_CLEANUP vintrax_wine_prefix
    ENVIRONMENT "${VINTRAX_WINE_ENVIRONMENT}"
    TIMEOUT 600)
endfunction()

function(vintrax_wine_test)
  if(NOT VINTRAX_UNDER_WINE)
    return()
  endif()
  _vintrax_wine_fixture()
  set_tests_properties(${ARGN} PROPERTIES
    FIXTURES_REQUIRED vintrax_wine_prefix
    ENVIRONMENT "${VINTRAX_WINE_ENVIRONMENT}")
endfunction()

function(vintrax_add_gtest target)
  if(VINTRAX_UNDER_WINE)
    add_test(NAME ${target} COMMAND ${target})
    vintrax_wine_test(${target})
  else()
    gtest_discover_tests(${target} ${ARGN})
  endif()
endfunction()
