# FileTransfer's encipherment of a file against raw OpenSSL (EVP and base64) on the same bytes in
# the same run, and the memory one transfer costs.
find_package(benchmark REQUIRED)
add_executable(velkor_bench_file_transfer ${CMAKE_CURRENT_LIST_DIR}/file_transfer_bench.cpp)
target_link_libraries(velkor_bench_file_transfer PRIVATE velkor_control velkor_host
  benchmark::benchmark)
target_compile_definitions(velkor_bench_file_transfer PRIVATE
  "VELKOR_KEY_SET_DIR=\"${VELKOR_KEY_SET}\"")
