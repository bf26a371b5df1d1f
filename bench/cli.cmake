# Large TNEF files for the command-line benchmarks (bench/cli_bench.sh).
add_executable(make-large-tnef make_large_tnef.cpp)
target_link_libraries(make-large-tnef PRIVATE pallion_rtf)
set_target_properties(make-large-tnef PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PALLION_BENCH_DIR})
