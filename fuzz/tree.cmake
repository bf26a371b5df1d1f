# The tree: any bytes built into a decorated tree in both views, with the details of every
# node, and through the hex and text rows. In a fuzzing build the document's rooms are
# instrumented too (pallion_fuzz_instrumented).
pallion_add_fuzzer(tree
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tree_fuzzer.cpp
    LIBS pallion_doc_tree pallion_doc_panes pallion_doc_frame pallion_doc_naming)
