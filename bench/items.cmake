# Item export: a meeting whose recurrence holds the most deleted instances the parser takes
# and two thousand changed occurrences, and a contact with the largest picture a card takes;
# time, output size and peak memory.
pallion_add_benchmark(items SOURCES ${CMAKE_CURRENT_LIST_DIR}/items_bench.cpp
    LIBS items_test_support pallion_items)
