# The OLE presentation reader: compound files opened as objects, or presentation streams on
# their own. The sources are compiled into the target so that a fuzzing build instruments
# them. PALLION_PLAYER_SOURCES comes from metafile.cmake, which the sorted glob reads first.
pkg_check_modules(OLE_FUZZ_GSF REQUIRED IMPORTED_TARGET libgsf-1)
pallion_add_fuzzer(ole_presentation
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ole_presentation_fuzz.cpp
            ${PALLION_PLAYER_SOURCES}
            ${PROJECT_SOURCE_DIR}/viewer/render/ole/gsf_support.cpp
            ${PROJECT_SOURCE_DIR}/viewer/render/ole/ole_object.cpp
            ${PROJECT_SOURCE_DIR}/viewer/render/ole/ole_streams.cpp
            ${PROJECT_SOURCE_DIR}/viewer/render/ole/presentation_picture.cpp
    LIBS pallion_platform pallion_format PkgConfig::OLE_FUZZ_GSF PkgConfig::METAFILE_FUZZ_ZLIB)
