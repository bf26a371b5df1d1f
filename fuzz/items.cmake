# Items: any bytes as a recurrence pattern, both forms of time zone and a meeting identity,
# then as the recurrence and the zone of a meeting request exported whole. The sources are
# compiled into the target so that a fuzzing build instruments them.
file(GLOB PALLION_ITEMS_SOURCES ${PROJECT_SOURCE_DIR}/viewer/items/*.cpp)
list(REMOVE_ITEM PALLION_ITEMS_SOURCES ${PROJECT_SOURCE_DIR}/viewer/items/document_message.cpp
    ${PROJECT_SOURCE_DIR}/viewer/items/export_commands.cpp)
pallion_add_fuzzer(items
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/items_fuzz.cpp ${PALLION_ITEMS_SOURCES}
    LIBS pallion_platform pallion_format)
