# The reader's walk over a large generated stream: time, peak memory, bytes read.
pallion_add_benchmark(reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader_bench.cpp LIBS pallion_doc)
