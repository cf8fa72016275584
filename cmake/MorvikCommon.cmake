# SPDX-License-Identifier: GPL-3.0-or-later
# One configuration target carrying the language level, warnings and defines,
# linked by every target of the project.
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

add_library(morvik_config INTERFACE)
target_compile_features(morvik_config INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(morvik_config INTERFACE -Wall -Wextra)
target_compile_definitions(morvik_config INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
# A section per function and per object, so that a program's link can leave out what it
# never calls (see morvik-cli).
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(morvik_config INTERFACE -ffunction-sections -fdata-sections)
endif()

if(MORVIK_SANITIZE)
    target_compile_options(morvik_config INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(morvik_config INTERFACE -fsanitize=address,undefined)
endif()
if(MORVIK_TSAN)
    target_compile_options(morvik_config INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(morvik_config INTERFACE -fsanitize=thread)
endif()

# Sources of a folder, split into the Qt-free ones and the windows.
# Window files are named *window.cpp; everything else in a tool folder is engine code.
function(morvik_collect out_engine out_windows)
    set(engine)
    set(windows)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS "${dir}/*.cpp")
        foreach(f IN LISTS found)
            if(f MATCHES "window\\.cpp$")
                list(APPEND windows "${f}")
            else()
                list(APPEND engine "${f}")
            endif()
        endforeach()
    endforeach()
    set(${out_engine} "${engine}" PARENT_SCOPE)
    set(${out_windows} "${windows}" PARENT_SCOPE)
endfunction()
