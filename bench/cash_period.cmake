carvantel_bench(cash_period app_core)
target_compile_definitions(bench_cash_period PRIVATE CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(bench_cash_period empty_base)
