# SPDX-License-Identifier: GPL-3.0-or-later
# The home page and the application's reverse-DNS id, both taken from the launcher's
# addresses so that they have one source. The id reverses the home page's host name;
# the project's own subdomain becomes the application's name: morvik.example.org gives
# org.example.Morvik, example.org gives org.example.Morvik too.
function(morvik_read_identity homepage_var id_var)
    set(header "${PROJECT_SOURCE_DIR}/src/shell/addresses.h")
    file(STRINGS "${header}" line REGEX "kHomePage *= *\"[^\"]+\"")
    if(NOT line MATCHES "\"(https?://([^/\"]+)[^\"]*)\"")
        message(FATAL_ERROR "${header}: no http(s) address in kHomePage")
    endif()
    set(homepage "${CMAKE_MATCH_1}")
    string(TOLOWER "${CMAKE_MATCH_2}" host)
    string(REPLACE "." ";" labels "${host}")
    list(REVERSE labels)
    list(GET labels -1 last)
    if(last STREQUAL "morvik")
        list(POP_BACK labels)
    endif()
    list(APPEND labels "Morvik")
    list(JOIN labels "." id)
    set(${homepage_var} "${homepage}" PARENT_SCOPE)
    set(${id_var} "${id}" PARENT_SCOPE)
endfunction()
