# check and the body forms: any bytes read as carefully as pallion-cli's check reads them,
# compressed RTF inflated and embedded messages copied through the file stream server of
# this build, and every form of the body made.
pallion_add_fuzzer(check
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/check_fuzzer.cpp
    LIBS pallion_doc_tree pallion_doc_frame pallion_doc_app)
target_compile_definitions(fuzz_check PRIVATE PALLION_BIN_DIR="${PALLION_BIN_DIR}")
add_dependencies(fuzz_check rillex)
