# One interface target carries the language level, warnings and Qt's strict
# macros; every target of the project links it.
# qlm_warnings is the language level and warnings alone, for tests, which
# compare with plain literals; products link qlm_common, which adds the strict
# Qt macros. Libraries link qlm_common PRIVATE so the macros stay theirs.
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_C_EXTENSIONS OFF)
add_library(qlm_warnings INTERFACE)
target_compile_features(qlm_warnings INTERFACE cxx_std_20)
target_compile_options(qlm_warnings INTERFACE -Wall -Wextra)
# Warnings as errors where the build is checked (scripts/test turns it on).
option(QLM_WERROR "Treat warnings as errors" OFF)
if(QLM_WERROR)
    target_compile_options(qlm_warnings INTERFACE -Werror)
endif()
add_library(qlm_common INTERFACE)
target_link_libraries(qlm_common INTERFACE qlm_warnings)
# The stricter warnings the products' code keeps to.
target_compile_options(qlm_common INTERFACE -Wshadow -Wconversion -pedantic
    $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor>)
target_compile_definitions(qlm_common INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH QT_USE_QSTRINGBUILDER)

option(QLM_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(QLM_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# The build tree is an application folder of its own: programs, libraries and
# data side by side, as an installed folder has them.
set(QLM_APP_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${QLM_APP_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${QLM_APP_DIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN")
set(CMAKE_BUILD_RPATH "$ORIGIN")
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
