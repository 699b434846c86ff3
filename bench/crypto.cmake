add_executable(velkor_bench_crypto ${CMAKE_CURRENT_LIST_DIR}/crypto_bench.cpp)
target_link_libraries(velkor_bench_crypto PRIVATE velkor_control velkor_host benchmark::benchmark)
target_compile_definitions(velkor_bench_crypto PRIVATE "VELKOR_KEY_SET_DIR=\"${VELKOR_KEY_SET}\"")
