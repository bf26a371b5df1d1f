# The tree, the details rows, the hex and text rows and the document window's decisions.
pallion_add_test(frame_logic_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/hex_text_rows_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/frame_logic_test.cpp
    LIBS pallion_doc
    LABELS unit)
pallion_add_test(tree_builder_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tree_builder_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/details_rows_test.cpp
    LIBS pallion_doc tagora
    LABELS unit)
pallion_add_test(tree_corpus_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tree_corpus_test.cpp
    LIBS pallion_doc tagora
    LABELS corpus)
pallion_add_test(tree_commands_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tree_commands_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/document_fixture.cpp
    LIBS pallion_doc)
add_dependencies(tree_commands_test rillex tagora)
