pallion_add_test(compressed_rtf_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/compressed_rtf_test.cpp
    LIBS pallion_rtf)
pallion_add_test(compressed_rtf_corpus_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/compressed_rtf_corpus_test.cpp
    LIBS pallion_rtf
    LABELS corpus)
