# The body panes: any bytes as an HTML body through the clean-up, whose output is parsed
# again and checked for what it must not hold; any bytes as an RTF body through the reader
# and the builder of the rich-text pane's document, under Qt's offscreen platform.
pallion_add_fuzzer(html_cleanup
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/html_cleanup_fuzz.cpp
    LIBS pallion_html)
pallion_add_fuzzer(rich_text_builder
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/rich_text_builder_fuzz.cpp
    LIBS pallion_ui)
