# SPDX-License-Identifier: GPL-3.0-or-later
# The helpers the tests share with the fuzz targets and the bench programs: a scripted
# Ui, temporary folder trees and the wildcard matcher's reference. Plain C++ on top of the
# engines, no test framework, so they build whenever any of the three is built.
if(NOT TARGET morvik_testkit)
    add_library(morvik_testkit STATIC
        "${CMAKE_CURRENT_LIST_DIR}/recordingui.cpp"
        "${CMAKE_CURRENT_LIST_DIR}/temptree.cpp"
        "${CMAKE_CURRENT_LIST_DIR}/wildcardref.cpp")
    target_include_directories(morvik_testkit PUBLIC "${CMAKE_CURRENT_LIST_DIR}/..")
    target_link_libraries(morvik_testkit PUBLIC morvik_core)
endif()
