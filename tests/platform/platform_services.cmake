# The registration store, the object runtime, library loading and the UUID binding.

# A test-only in-process server, built like the real ones but kept out of bin/ so that only
# the tests that name it see it.
pallion_shared_library(pallion_test_server
    EXPORTS ${CMAKE_CURRENT_LIST_DIR}/test_server.map
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_server.cpp)
target_link_libraries(pallion_test_server PRIVATE pallion_platform)
set_target_properties(pallion_test_server PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${PALLION_TEST_DIR}/servers)

pallion_add_test(platform_services_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/registry_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/registry_store_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/object_runtime_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/library_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/uuid_library_test.cpp
    LIBS pallion_platform)
add_dependencies(platform_services_test pallion_test_server)
target_compile_definitions(platform_services_test PRIVATE
    PALLION_TEST_SERVER="$<TARGET_FILE:pallion_test_server>")
