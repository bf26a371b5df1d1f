# TNEF reader: any bytes walked as the tree walks a stream. In a fuzzing build the document's
# rooms are instrumented too (pallion_fuzz_instrumented).
pallion_add_fuzzer(reader
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader_fuzzer.cpp
    LIBS pallion_doc_document pallion_doc_model)

# The writer of the reader's seeds (built on demand only).
add_executable(make-reader-seeds EXCLUDE_FROM_ALL make_reader_seeds.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/tnef_builder.cpp)
target_link_libraries(make-reader-seeds PRIVATE pallion_platform pallion_format)
set_target_properties(make-reader-seeds PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PALLION_FUZZ_DIR})
