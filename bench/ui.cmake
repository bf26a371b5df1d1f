# The desktop viewer: process start to the first document window (sample, 200 000 nodes,
# 1 GiB, beside cp), the tree pane showing 200 000 nodes and expanding 20 000 children, and
# the hex and text panes (a 1 GiB attachment's first screen beside cp, full screens painted)
# and the OLE-object pane opening and drawing an object of 20 MB. They make their inputs under
# $TMPDIR and remove them.
pallion_add_benchmark(ui_start SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_start_bench.cpp)
target_compile_definitions(bench_ui_start PRIVATE
    PALLION_BENCH_DIR="${PALLION_BENCH_DIR}" PALLION_SAMPLE="${PROJECT_SOURCE_DIR}/samples/sample.tnef")
add_dependencies(bench_ui_start pallion make-large-tnef rillex tagora gimlet)

pallion_add_benchmark(ui_tree SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_tree_bench.cpp
    LIBS pallion_ui rillex_objects)
target_compile_definitions(bench_ui_tree PRIVATE PALLION_BENCH_DIR="${PALLION_BENCH_DIR}")
add_dependencies(bench_ui_tree make-large-tnef)

# The body panes: a 5 MiB RTF body with tables and pictures and a 5 MiB HTML body, from the
# element given to the pane to the first screen painted.
pallion_add_benchmark(ui_bodies SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_bodies_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/tnef_builder.cpp
    LIBS pallion_ui pallion_format)
target_include_directories(bench_ui_bodies PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(bench_ui_bodies rillex)

pallion_add_benchmark(ui_rows SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_rows_bench.cpp LIBS pallion_ui)
target_compile_definitions(bench_ui_rows PRIVATE PALLION_BENCH_DIR="${PALLION_BENCH_DIR}")
add_dependencies(bench_ui_rows make-large-tnef rillex tagora)

pallion_add_benchmark(ui_panes SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_panes_bench.cpp
    LIBS pallion_ui bench_picture_inputs)
add_dependencies(bench_ui_panes rillex)
