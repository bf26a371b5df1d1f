pallion_add_test(strings_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/strings_test.cpp LIBS pallion_doc)
