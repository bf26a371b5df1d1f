pallion_add_test(chain_alloc_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/chain_alloc_test.cpp LIBS pallion_rtf)
