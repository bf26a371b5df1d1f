# Gimlet: any bytes as a mail file. The library's sources are compiled into the target so
# that a fuzzing build instruments them too.
pkg_check_modules(GIMLET_FUZZ_GMIME REQUIRED IMPORTED_TARGET gmime-3.0)
pallion_add_fuzzer(gimlet
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/gimlet_fuzz.cpp
        ${PROJECT_SOURCE_DIR}/gimlet/gimlet.cpp
        ${PROJECT_SOURCE_DIR}/gimlet/mime_search.cpp
        ${PROJECT_SOURCE_DIR}/gimlet/temp_file_sink.cpp
        ${PROJECT_SOURCE_DIR}/gimlet/uudecoder.cpp
    LIBS pallion_platform PkgConfig::GIMLET_FUZZ_GMIME)
