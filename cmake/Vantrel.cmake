# Helpers shared by every folder's CMakeLists.txt.

# True when the build makes ordinary programs and tests (not the fuzz build).
set(VANTREL_FULL_BUILD ON)
if(VANTREL_FUZZ)
  set(VANTREL_FULL_BUILD OFF)
endif()

# The leaks that belong to the system's libraries (Qt, fontconfig, SDL's video
# back ends, ...), which a sanitizer run must not report: one list for every
# run of a program and every test program. What it may name, and why, is
# written in the file.
set(VANTREL_LSAN_SUPPRESSIONS ${PROJECT_SOURCE_DIR}/tests/lsan_system.supp)
# The environment entry that gives a sanitizer run that list.
set(VANTREL_SANITIZER_ENV "LSAN_OPTIONS=suppressions=${VANTREL_LSAN_SUPPRESSIONS}")

# vantrel_sanitizer_env(<test>...)
# Gives tests made with add_test() the list above (test programs made with
# vantrel_add_test and runs made with vantrel_add_smoke have it already).
function(vantrel_sanitizer_env)
  set_property(TEST ${ARGN} APPEND PROPERTY ENVIRONMENT "${VANTREL_SANITIZER_ENV}")
endfunction()

# vantrel_add_smoke(<name> COMMAND <program> [arguments...]
#                   [WORKING_DIRECTORY <dir>] [TIMEOUT <seconds>]
#                   [LABELS <labels...>] [ENVIRONMENT <VAR=value...>])
# A smoke run of a real program: it starts in a new, empty home of its own
# (HOME, the XDG folders and the community store, removed afterwards; see
# tests/smoke/fresh_home_run.cpp), with the list of system leaks above.
# <program> may be a target name. Labels default to "smoke"; the timeout, 120
# seconds by default, leaves room for a sanitizer build on a busy machine (a
# run that takes under a second alone took 26 seconds beside the whole suite).
function(vantrel_add_smoke name)
  if(NOT VANTREL_FULL_BUILD)
    return()
  endif()
  cmake_parse_arguments(S "" "WORKING_DIRECTORY;TIMEOUT" "COMMAND;LABELS;ENVIRONMENT" ${ARGN})
  list(POP_FRONT S_COMMAND program)
  if(TARGET ${program})
    set(program $<TARGET_FILE:${program}>)
  endif()
  if(NOT S_WORKING_DIRECTORY)
    set(S_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(NOT S_TIMEOUT)
    set(S_TIMEOUT 120)
  endif()
  if(NOT S_LABELS)
    set(S_LABELS smoke)
  endif()
  add_test(NAME ${name} COMMAND vantrel_fresh_home ${program} ${S_COMMAND}
           WORKING_DIRECTORY ${S_WORKING_DIRECTORY})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${S_TIMEOUT} LABELS "${S_LABELS}"
    ENVIRONMENT "${S_ENVIRONMENT}")
  vantrel_sanitizer_env(${name})
endfunction()

# vantrel_add_test(<name> SOURCES <files...> LIBS <targets...>)
# A GoogleTest program; every test case runs as its own ctest test, in a
# process of its own with a fresh temporary HOME and XDG folders (see
# tests/support/test_main.cpp), and with the list of system leaks above (a
# program the test starts gets it too).
function(vantrel_add_test name)
  if(NOT VANTREL_FULL_BUILD)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vantrel_testmain GTest::gtest)
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      LABELS "${T_LABELS}"
      ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;QT_QPA_PLATFORM=offscreen;VANTREL_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR};${VANTREL_SANITIZER_ENV}")
endfunction()

# vantrel_add_fuzz(<name> SOURCES <files...> LIBS <targets...> [SECONDS n]
#                  [MAX_LEN bytes] [SEED_DIRS <folders...>])
# A libFuzzer target (fuzz build only). ctest runs it for a bounded time over
# the seeds in tests/fuzz/corpus/<name>/ when that folder exists, and over
# any further SEED_DIRS (folders of seeds the build writes). Every reader it
# drives must stay within 512 MB resident for any input, and (libFuzzer's
# default for the malloc limit) take no single block larger than that. Leaks
# fail a run as they fail a test, with the same list of system libraries.
# MAX_LEN lets inputs grow to that many bytes (libFuzzer's own limit follows
# the largest seed), for readers whose memory must follow the input's size.
function(vantrel_add_fuzz name)
  if(NOT VANTREL_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "SECONDS;MAX_LEN" "SOURCES;LIBS;SEED_DIRS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  set(limits)
  if(F_MAX_LEN)
    set(limits -max_len=${F_MAX_LEN})
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
  file(MAKE_DIRECTORY ${work})
  set(seeds ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set(dirs ${work})
  if(EXISTS ${seeds})
    list(APPEND dirs ${seeds})
  endif()
  list(APPEND dirs ${F_SEED_DIRS})
  add_test(NAME ${name}
    COMMAND ${name} -max_total_time=${F_SECONDS} -rss_limit_mb=512 -timeout=10 ${limits}
            -print_final_stats=1 ${dirs})
  set_tests_properties(${name} PROPERTIES LABELS fuzz
    ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${work};XDG_CONFIG_HOME=${work}/config;XDG_DATA_HOME=${work}/data;${VANTREL_SANITIZER_ENV}")
endfunction()

# vantrel_add_bench(<name> SOURCES <files...> LIBS <targets...>)
function(vantrel_add_bench name)
  if(NOT VANTREL_FULL_BUILD OR NOT benchmark_FOUND)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
