# Compressed RTF: any bytes as a compressed value (read with varying Read sizes and through
# CopyTo), and any bytes as text through the compressor and back. The library's sources are
# compiled into the targets so that a fuzzing build instruments them too.
set(COMPRESSED_RTF_FUZZ_SOURCES
    ${PROJECT_SOURCE_DIR}/viewer/rtf/chain_alloc.cpp
    ${PROJECT_SOURCE_DIR}/viewer/rtf/compressed_rtf.cpp
    ${PROJECT_SOURCE_DIR}/viewer/rtf/compressed_rtf_writer.cpp)
pallion_add_fuzzer(compressed_rtf_inflate
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/compressed_rtf_inflate_fuzz.cpp
            ${COMPRESSED_RTF_FUZZ_SOURCES}
    LIBS pallion_platform)
pallion_add_fuzzer(compressed_rtf_roundtrip
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/compressed_rtf_roundtrip_fuzz.cpp
            ${COMPRESSED_RTF_FUZZ_SOURCES}
    LIBS pallion_platform)
