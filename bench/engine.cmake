# SPDX-License-Identifier: GPL-3.0-or-later
find_package(benchmark REQUIRED)
add_executable(bench_engine ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cpp)
target_link_libraries(bench_engine PRIVATE engine benchmark::benchmark)
target_include_directories(bench_engine PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
