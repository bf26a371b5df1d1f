# Ferrule: message files converted to TNEF, whole compound files or streams cut from the
# input; the output must parse. The library's sources are compiled into the target so that
# a fuzzing build instruments them too.
pkg_check_modules(FERRULE_FUZZ_GSF REQUIRED IMPORTED_TARGET libgsf-1)
pallion_add_fuzzer(ferrule
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/ferrule_fuzz.cpp
        ${PROJECT_SOURCE_DIR}/tests/convert/tnef_test_reader.cpp
        ${PROJECT_SOURCE_DIR}/convert/ferrule.cpp
        ${PROJECT_SOURCE_DIR}/convert/mapi_memory.cpp
        ${PROJECT_SOURCE_DIR}/convert/message_on_storage.cpp
        ${PROJECT_SOURCE_DIR}/convert/msg_tnef.cpp
        ${PROJECT_SOURCE_DIR}/convert/object_data.cpp
        ${PROJECT_SOURCE_DIR}/convert/storage.cpp
        ${PROJECT_SOURCE_DIR}/convert/stream_on_file.cpp
        ${PROJECT_SOURCE_DIR}/convert/tnef_encoder.cpp
        ${PROJECT_SOURCE_DIR}/convert/tnef_writer.cpp
    LIBS pallion_platform PkgConfig::FERRULE_FUZZ_GSF)
