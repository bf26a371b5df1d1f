# Compressed RTF: inflate and compress 64 MiB of generated mail-like RTF and of random
# printable text; MB/s of RTF text, compressed size ratio, heap held by one stream object.
pallion_add_benchmark(compressed_rtf SOURCES ${CMAKE_CURRENT_LIST_DIR}/compressed_rtf_bench.cpp
    LIBS pallion_rtf)
