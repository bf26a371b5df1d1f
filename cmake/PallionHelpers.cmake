# Build helpers shared by every folder.

# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(PALLION_WERROR)
    add_compile_options(-Werror)
endif()
if(PALLION_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# pallion_shared_library(NAME EXPORTS file.map SOURCES ...)
# A deliverable shared library that exports exactly the symbols its version script lists.
function(pallion_shared_library name)
    cmake_parse_arguments(ARG "" "EXPORTS" "SOURCES" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES
        CXX_VISIBILITY_PRESET hidden
        C_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON
        LINK_DEPENDS ${ARG_EXPORTS})
    target_link_options(${name} PRIVATE -Wl,--version-script=${ARG_EXPORTS})
    # Every symbol must be resolved at link time, except in sanitizer builds, where clang
    # leaves the sanitizer runtime to the executable.
    if(NOT PALLION_SANITIZE)
        target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
endfunction()

# pallion_fuzz_instrumented(TARGET)
# In fuzz builds the parsers of TARGET guide the fuzzer by their coverage too.
function(pallion_fuzz_instrumented target)
    if(PALLION_FUZZ)
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
endfunction()
