# Hardening flags for every target, carried by valtessa_options. tests/packaging checks the
# built program for each of them.

# libstdc++'s cheap bounds and precondition checks, in every configuration. Only a macro,
# so harmless where another standard library is used.
target_compile_definitions(valtessa_options INTERFACE _GLIBCXX_ASSERTIONS)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
    # Position-independent code for all targets made after this point, and -pie at the link
    # of executables (policy CMP0083, NEW through cmake_minimum_required).
    include(CheckPIESupported)
    check_pie_supported(OUTPUT_VARIABLE pie_message LANGUAGES CXX)
    if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
        message(FATAL_ERROR "The linker cannot make a position-independent executable: "
            "${pie_message}")
    endif()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)

    target_compile_options(valtessa_options INTERFACE -fstack-protector-strong)
    # Read-only relocations after start-up, with every symbol bound at once so the whole
    # GOT can be made read-only.
    target_link_options(valtessa_options INTERFACE LINKER:-z,relro LINKER:-z,now)

    # _FORTIFY_SOURCE needs optimisation (-O1 or more), and the sanitizers do their own,
    # better checking of the same calls.
    if(NOT VALTESSA_SANITIZE)
        # Level 3 (GCC 12 and Clang 16 and later) also checks sizes known only at run time.
        set(version ${CMAKE_CXX_COMPILER_VERSION})
        if((CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND version VERSION_GREATER_EQUAL 12)
           OR (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND version VERSION_GREATER_EQUAL 16))
            set(fortify_level 3)
        else()
            set(fortify_level 2)
        endif()
        # The toolchain may define it already (Ubuntu's GCC does); undefine first so ours is
        # the one that counts and the compiler does not warn of a redefinition.
        set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
        target_compile_options(valtessa_options INTERFACE
            "$<${optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=${fortify_level}>")
    endif()
endif()
