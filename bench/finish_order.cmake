carvantel_bench(finish_order app_core)
target_compile_definitions(bench_finish_order PRIVATE CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(bench_finish_order empty_base)
# A small run with the test suites shows the benchmark still works; the sizes that are measured
# are run by hand in a Release build.
if(CARVANTEL_TESTS)
  add_test(NAME bench_finish_order_smoke COMMAND bench_finish_order --orders=200 --small=50 --runs=1)
  set_tests_properties(bench_finish_order_smoke PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
