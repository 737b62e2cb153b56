carvantel_bench(profit_month app_core)
target_compile_definitions(bench_profit_month PRIVATE CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(bench_profit_month empty_base)
