# Pictures: a 16 KiB metafile played 10 000 times (steps per second) and written as SVG; an
# OLE object of 20 MB opened and drawn, and its content streamed out (time, peak memory).
add_library(bench_picture_inputs STATIC ${CMAKE_CURRENT_LIST_DIR}/picture_inputs.cpp)
target_link_libraries(bench_picture_inputs PUBLIC ole_test_support pallion_ole pallion_bench_support)
pallion_add_benchmark(pictures
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/pictures_bench.cpp
    LIBS bench_picture_inputs)
