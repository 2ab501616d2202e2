# Helpers shared by every folder's CMakeLists.txt.

# True when the build makes ordinary programs and tests (not the fuzz build).
set(VANTREL_FULL_BUILD ON)
if(VANTREL_FUZZ)
  set(VANTREL_FULL_BUILD OFF)
endif()

# vantrel_add_test(<name> SOURCES <files...> LIBS <targets...>)
# A GoogleTest program; every test case runs as its own ctest test, in a
# process of its own with a fresh temporary HOME and XDG folders (see
# tests/support/test_main.cpp).
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
      ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;QT_QPA_PLATFORM=offscreen;VANTREL_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# vantrel_add_fuzz(<name> SOURCES <files...> LIBS <targets...> [SECONDS n]
#                  [SEED_DIRS <folders...>])
# A libFuzzer target (fuzz build only). ctest runs it for a bounded time over
# the seeds in tests/fuzz/corpus/<name>/ when that folder exists, and over
# any further SEED_DIRS (folders of seeds the build writes).
function(vantrel_add_fuzz name)
  if(NOT VANTREL_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS;SEED_DIRS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
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
    COMMAND ${name} -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -timeout=10
            -print_final_stats=1 ${dirs})
  set_tests_properties(${name} PROPERTIES LABELS fuzz
    ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${work};XDG_CONFIG_HOME=${work}/config;XDG_DATA_HOME=${work}/data;ASAN_OPTIONS=detect_leaks=0")
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
