# Round trips through `velkor serve` against a bare Qt WebSocket echo server in the same run.
find_package(benchmark REQUIRED)
add_executable(velkor_bench_agent ${CMAKE_CURRENT_SOURCE_DIR}/agent_round_trip_bench.cpp)
target_link_libraries(velkor_bench_agent PRIVATE velkor_agent benchmark::benchmark)
