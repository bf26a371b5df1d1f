# Rich text: any bytes through the RTF reader, with the model's every index checked and both
# writers run over it; any bytes through de-encapsulation; any bytes through the HTML reader
# and its text. rtf.dict lists control words for a fuzzing engine (-dict=fuzz/rtf.dict).
pallion_add_fuzzer(rtf_reader
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/rtf_reader_fuzz.cpp
    LIBS pallion_richtext)
pallion_add_fuzzer(rtf_deencapsulate
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/rtf_deencapsulate_fuzz.cpp
    LIBS pallion_richtext)
pallion_add_fuzzer(html_reader
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/html_reader_fuzz.cpp
    LIBS pallion_html)
