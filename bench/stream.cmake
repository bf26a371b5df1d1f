# StreamOnFile: CopyTo beside a plain read/write loop, 4-byte reads, object creation.
pallion_add_benchmark(stream SOURCES ${CMAKE_CURRENT_LIST_DIR}/stream_bench.cpp LIBS rillex_objects)
add_dependencies(bench_stream rillex)
