# Running Windows programs of this build under Wine: CTest starts every test
# program through wine-run.sh, in a prefix inside the build folder.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix for tests")
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
  @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh CACHE FILEPATH
    "Runs a Windows program under Wine" FORCE)

# add_wine_gtest(name SOURCES ... LIBS ...): a GoogleTest program whose tests
# CTest discovers and runs under Wine.
function(add_wine_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE project_options gtest_main ${ARG_LIBS})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 TEST_PREFIX ${name}/
    PROPERTIES ENVIRONMENT "LC_ALL=zh_CN.UTF-8" TIMEOUT 300)
endfunction()
