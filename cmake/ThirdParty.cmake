# The third-party libraries, linked statically: PCRE2 (8- and 16-bit, with its JIT), expat,
# libzip and zlib. Each is built from its unpacked sources with the project's toolchain when
# <NAME>_SOURCE_DIR names them (scripts/lib.sh passes Debian's source packages), or else taken
# from an installed package through find_package (vcpkg's, for example). Either way the code
# links the same targets: Quarrow::pcre2_8, Quarrow::pcre2_16, Quarrow::expat, Quarrow::zip
# and ZLIB::ZLIB.

set(PCRE2_SOURCE_DIR "" CACHE PATH "PCRE2's sources, built with this toolchain; empty: find_package(PCRE2)")
set(EXPAT_SOURCE_DIR "" CACHE PATH "expat's sources, built with this toolchain; empty: find_package(expat)")
set(LIBZIP_SOURCE_DIR "" CACHE PATH "libzip's sources, built with this toolchain; empty: find_package(libzip)")
set(ZLIB_SOURCE_DIR "" CACHE PATH "zlib's sources, built with this toolchain; empty: find_package(ZLIB)")

# Options of the libraries' own builds. Cache entries, so that option() and set(CACHE) in
# their files take them on the first configuration as on every later one.
function(quarrow_third_party_options)
    while(ARGN)
        list(POP_FRONT ARGN name value)
        set(${name} ${value} CACHE INTERNAL "")
    endwhile()
endfunction()

# Adds a library's own build, quietly: its status lines and its warnings about what was left
# out on purpose would fill every configuration. Excluded from all, its install rules stay
# out of the package too.
function(quarrow_add_third_party name source_dir)
    if(NOT EXISTS ${source_dir}/CMakeLists.txt)
        message(FATAL_ERROR "${source_dir} holds no sources of ${name} (no CMakeLists.txt)")
    endif()
    set(CMAKE_MESSAGE_LOG_LEVEL ERROR)
    set(CMAKE_WARN_DEPRECATED OFF)
    set(CMAKE_SUPPRESS_DEVELOPER_WARNINGS ON)
    # Their files ask for old CMake versions: honour their visibility settings, keep the
    # project's runtime library choice, and let CMake 4 configure them.
    set(CMAKE_POLICY_DEFAULT_CMP0063 NEW)
    set(CMAKE_POLICY_DEFAULT_CMP0091 NEW)
    set(CMAKE_POLICY_VERSION_MINIMUM 3.5)
    # A CPack configuration under the default name would make CMake reserve the project's
    # own package target.
    set(binary_dir ${CMAKE_BINARY_DIR}/third-party/${name})
    set(CPACK_OUTPUT_CONFIG_FILE ${binary_dir}/CPackConfig.cmake)
    set(CPACK_SOURCE_OUTPUT_CONFIG_FILE ${binary_dir}/CPackSourceConfig.cmake)
    add_subdirectory(${source_dir} ${binary_dir} EXCLUDE_FROM_ALL)
endfunction()

# Their code is theirs: its warnings are not ours to show.
function(quarrow_silence_warnings)
    foreach(target IN LISTS ARGN)
        target_compile_options(${target} PRIVATE $<IF:$<C_COMPILER_ID:MSVC>,/w,-w>)
    endforeach()
endfunction()

# Quarrow::<name>: what the code links, whichever way the library came.
function(quarrow_library_alias name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LINK;DEFINE")
    add_library(quarrow_${name} INTERFACE)
    target_link_libraries(quarrow_${name} INTERFACE ${arg_LINK})
    target_compile_definitions(quarrow_${name} INTERFACE ${arg_DEFINE})
    add_library(Quarrow::${name} ALIAS quarrow_${name})
endfunction()

# zlib first: libzip's own build looks for it with find_package(ZLIB) too.
if(ZLIB_SOURCE_DIR)
    # zlib's own CMake file renames a header in the source folder and adds its examples as
    # tests; its library is its top-level C files.
    file(GLOB zlib_sources ${ZLIB_SOURCE_DIR}/*.c)
    add_library(quarrow_zlib STATIC ${zlib_sources})
    target_include_directories(quarrow_zlib SYSTEM PUBLIC ${ZLIB_SOURCE_DIR})
    quarrow_silence_warnings(quarrow_zlib)
    add_library(ZLIB::ZLIB ALIAS quarrow_zlib)
    set(ZLIB_INCLUDE_DIR ${ZLIB_SOURCE_DIR} CACHE PATH "" FORCE)
    set(ZLIB_LIBRARY quarrow_zlib CACHE STRING "" FORCE)
else()
    set(ZLIB_USE_STATIC_LIBS ON)
    find_package(ZLIB REQUIRED)
endif()

if(PCRE2_SOURCE_DIR)
    quarrow_third_party_options(
        BUILD_SHARED_LIBS OFF BUILD_STATIC_LIBS ON
        PCRE2_BUILD_PCRE2_8 ON PCRE2_BUILD_PCRE2_16 ON PCRE2_BUILD_PCRE2_32 OFF
        PCRE2_SUPPORT_JIT ON PCRE2_SUPPORT_UNICODE ON
        PCRE2_BUILD_PCRE2GREP OFF PCRE2_BUILD_TESTS OFF PCRE2_SHOW_REPORT OFF
        PCRE2_SUPPORT_LIBZ OFF PCRE2_SUPPORT_LIBBZ2 OFF PCRE2_SUPPORT_LIBEDIT OFF
        PCRE2_SUPPORT_LIBREADLINE OFF)
    quarrow_add_third_party(pcre2 ${PCRE2_SOURCE_DIR})
    quarrow_silence_warnings(pcre2-8-static pcre2-16-static)
    set(pcre2_8 pcre2-8-static)
    set(pcre2_16 pcre2-16-static)
else()
    set(PCRE2_USE_STATIC_LIBS ON)
    find_package(PCRE2 CONFIG REQUIRED COMPONENTS 8BIT 16BIT)
    set(pcre2_8 PCRE2::8BIT)
    set(pcre2_16 PCRE2::16BIT)
endif()
quarrow_library_alias(pcre2_8 LINK ${pcre2_8} DEFINE PCRE2_STATIC)
quarrow_library_alias(pcre2_16 LINK ${pcre2_16} DEFINE PCRE2_STATIC)

if(EXPAT_SOURCE_DIR)
    # Debian's source package keeps the library in a sub-folder.
    set(expat_dir ${EXPAT_SOURCE_DIR})
    if(EXISTS ${EXPAT_SOURCE_DIR}/expat/CMakeLists.txt)
        set(expat_dir ${EXPAT_SOURCE_DIR}/expat)
    endif()
    quarrow_third_party_options(
        EXPAT_SHARED_LIBS OFF EXPAT_BUILD_TOOLS OFF EXPAT_BUILD_EXAMPLES OFF EXPAT_BUILD_TESTS OFF
        EXPAT_BUILD_DOCS OFF EXPAT_BUILD_FUZZERS OFF EXPAT_BUILD_PKGCONFIG OFF EXPAT_ENABLE_INSTALL OFF
        EXPAT_MSVC_STATIC_CRT ON EXPAT_DTD OFF)
    quarrow_add_third_party(expat ${expat_dir})
    quarrow_silence_warnings(expat)
    # DTD support (and with it the guard against entity expansion bombs) stays on. Debian's
    # security patches test "XML_DTD == 1", as its autotools build defines it, where the CMake
    # build writes an empty definition: the value is given here instead.
    target_compile_definitions(expat PUBLIC XML_DTD=1)
    set(expat_target expat)
else()
    find_package(expat CONFIG REQUIRED)
    set(expat_target expat::expat)
endif()
quarrow_library_alias(expat LINK ${expat_target} DEFINE XML_STATIC)

if(LIBZIP_SOURCE_DIR)
    # zlib's deflate and stored entries only: no other methods, no decryption (an encrypted
    # entry is told by zip_stat all the same).
    quarrow_third_party_options(
        BUILD_SHARED_LIBS OFF
        ENABLE_BZIP2 OFF ENABLE_LZMA OFF ENABLE_ZSTD OFF
        ENABLE_COMMONCRYPTO OFF ENABLE_GNUTLS OFF ENABLE_MBEDTLS OFF ENABLE_OPENSSL OFF
        ENABLE_WINDOWS_CRYPTO OFF
        BUILD_TOOLS OFF BUILD_REGRESS OFF BUILD_EXAMPLES OFF BUILD_DOC OFF LIBZIP_DO_INSTALL OFF)
    quarrow_add_third_party(libzip ${LIBZIP_SOURCE_DIR})
    quarrow_silence_warnings(zip)
    set(zip_target zip)
else()
    find_package(libzip CONFIG REQUIRED)
    set(zip_target libzip::zip)
endif()
quarrow_library_alias(zip LINK ${zip_target} ZLIB::ZLIB)
