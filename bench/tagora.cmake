pallion_add_benchmark(tagora SOURCES ${CMAKE_CURRENT_LIST_DIR}/tagora_bench.cpp LIBS tagora)
