# The element records and the document's TNEF reader.
pallion_add_test(reader_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/element_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/attribute_reader_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/property_reader_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/reader_robustness_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/reader_seeds_test.cpp
    LIBS pallion_doc)
