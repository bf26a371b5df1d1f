# Building the tree: 200 000 nodes of small properties, and a 1 GiB stream of large
# attachments read through StreamOnFile; time, nodes and peak resident memory.
pallion_add_benchmark(tree SOURCES ${CMAKE_CURRENT_LIST_DIR}/tree_bench.cpp
    LIBS pallion_doc rillex_objects tagora)
