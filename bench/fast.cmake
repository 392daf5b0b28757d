# SPDX-License-Identifier: GPL-3.0-or-later
find_package(benchmark REQUIRED)
add_executable(bench_fast ${CMAKE_CURRENT_LIST_DIR}/fast_bench.cpp)
target_link_libraries(bench_fast PRIVATE engine benchmark::benchmark)
