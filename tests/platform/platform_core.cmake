pallion_add_test(platform_core_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/guid_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/text_safety_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/file_io_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/files_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/output_file_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/private_temp_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/memory_stream_test.cpp
    LIBS pallion_platform)
