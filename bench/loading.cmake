pallion_add_benchmark(loading SOURCES ${CMAKE_CURRENT_LIST_DIR}/loading_bench.cpp LIBS pallion_doc)
