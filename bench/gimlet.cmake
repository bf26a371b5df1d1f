pallion_add_benchmark(gimlet SOURCES ${CMAKE_CURRENT_LIST_DIR}/gimlet_bench.cpp LIBS gimlet)
