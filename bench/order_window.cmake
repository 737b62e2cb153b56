carvantel_bench(order_window app_core)
target_compile_definitions(bench_order_window PRIVATE CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
