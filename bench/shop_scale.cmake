carvantel_bench(shop_scale app_core)
target_compile_definitions(bench_shop_scale PRIVATE CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
target_include_directories(bench_shop_scale PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(bench_shop_scale empty_base)
# A small run with the test suites shows the benchmark still works; the sizes that are measured
# are run by hand in a Release build.
if(CARVANTEL_TESTS)
  add_test(NAME bench_shop_scale_smoke COMMAND bench_shop_scale --years=2 --orders=40)
  set_tests_properties(bench_shop_scale_smoke PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
