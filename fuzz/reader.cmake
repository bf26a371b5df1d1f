# TNEF reader: any bytes walked as the tree walks a stream. The document's core and the
# reader's sources are compiled into the target so that a fuzzing build instruments them
# (and so that it needs none of the libraries the rest of the document links).
pallion_add_fuzzer(reader
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader_fuzzer.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/element.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/envelon_doc.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/envelon_doc_reader.cpp
            ${PROJECT_SOURCE_DIR}/viewer/doc/envelon_doc_properties.cpp
            ${PROJECT_SOURCE_DIR}/viewer/rtf/chain_alloc.cpp
    LIBS pallion_platform)
