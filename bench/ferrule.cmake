# Ferrule: a message file with a large attachment and one with many small pieces converted
# to TNEF; MB/s written and peak resident memory.
pallion_add_benchmark(ferrule
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ferrule_bench.cpp
            ${PROJECT_SOURCE_DIR}/tests/convert/msg_writer.cpp
    LIBS ferrule_static)
