# The metafile player through its drawing steps and the SVG writer. The sources are
# compiled into the target so that a fuzzing build instruments them.
pkg_check_modules(METAFILE_FUZZ_ZLIB REQUIRED IMPORTED_TARGET zlib)
set(PALLION_PLAYER_SOURCES
    ${PROJECT_SOURCE_DIR}/viewer/render/bitmap/dib.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/bitmap/png_encoder.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/metafile/metafile_pane.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/metafile/metafile_player.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/metafile/picture.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/metafile/player_bitmaps.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/metafile/player_shapes.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/metafile/player_text.cpp
    ${PROJECT_SOURCE_DIR}/viewer/render/metafile/svg_writer.cpp)
pallion_add_fuzzer(metafile
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/metafile_fuzz.cpp ${PALLION_PLAYER_SOURCES}
    LIBS pallion_platform pallion_format PkgConfig::METAFILE_FUZZ_ZLIB)
