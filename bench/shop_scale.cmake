carvantel_bench(shop_scale app_core)
target_compile_definitions(bench_shop_scale PRIVATE CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
target_include_directories(bench_shop_scale PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(bench_shop_scale empty_base)
