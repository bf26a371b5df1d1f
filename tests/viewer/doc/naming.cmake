pallion_add_test(naming_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/naming_test.cpp LIBS pallion_doc tagora)
