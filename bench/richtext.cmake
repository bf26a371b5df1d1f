# RTF reader: a generated 5 MiB body of formatted paragraphs, tables (merged and nested
# cells) and hex pictures, read into the model; MB/s, heap held by the model, peak memory.
pallion_add_benchmark(richtext SOURCES ${CMAKE_CURRENT_LIST_DIR}/richtext_bench.cpp
    LIBS pallion_richtext)
