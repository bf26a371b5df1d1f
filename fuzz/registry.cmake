# Any bytes as a registration store file.
pallion_add_fuzzer(registry
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_fuzzer.cpp
    LIBS pallion_platform)
