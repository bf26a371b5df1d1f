# The tree: any bytes built into a decorated tree in both views, with the details of every
# node, and through the hex and text rows. The sources are compiled into the target so that
# a fuzzing build instruments them.
pallion_add_fuzzer(tree
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tree_fuzzer.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/element.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/envelon_doc.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/envelon_doc_reader.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/envelon_doc_properties.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/naming.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/strings.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/tree.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/tree_index.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/tree_builder.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/display_text.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/details_rows.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/hex_text_rows.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/frame_logic.cpp
            ${PROJECT_SOURCE_DIR}/viewer/rtf/chain_alloc.cpp
            ${PROJECT_SOURCE_DIR}/dictionary/tagora.cpp
            ${PROJECT_SOURCE_DIR}/dictionary/dictionary.cpp
            ${PROJECT_SOURCE_DIR}/dictionary/property_names.cpp
    LIBS pallion_platform)
