pallion_add_test(strings_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/strings_test.cpp LIBS pallion_doc)

# Stand-ins for the conversion library, each in a folder of its own that the loading tests
# name in PALLION_LIBDIR.
foreach(variant IN ITEMS CONVERTS INIT_FAILS NO_ENTRY)
    string(TOLOWER ${variant} folder)
    add_library(ferrule_standin_${folder} SHARED ${CMAKE_CURRENT_LIST_DIR}/ferrule_standin.cpp)
    target_compile_definitions(ferrule_standin_${folder} PRIVATE STANDIN_${variant})
    target_link_libraries(ferrule_standin_${folder} PRIVATE pallion_platform)
    set_target_properties(ferrule_standin_${folder} PROPERTIES
        OUTPUT_NAME ferrule
        CXX_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${PALLION_TEST_DIR}/ferrule-${folder})
endforeach()

pallion_add_test(loading_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/loading_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/data_access_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/document_fixture.cpp
    LIBS pallion_doc)
add_dependencies(loading_test rillex tagora gimlet
    ferrule_standin_converts ferrule_standin_init_fails ferrule_standin_no_entry)
