# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages from one build (cpack -G DEB): component morvik gives the package
# morvik (the windows, pictures, desktop entry, icons, metadata, manual page), component
# cli gives morvik-cli (the command line, no Qt). Dependencies on shared libraries are
# computed by dpkg-shlibdeps; the programs' other runtime needs are named here, libcurl
# among them: it is loaded with dlopen when a page is fetched, so dpkg-shlibdeps does not
# see it. 7.87 is the first release with every option the HTTP transfer sets.

set(MORVIK_MAINTAINER "The Morvik developers <morvik@example.org>")

# The release's version and date come from the top entry of the Debian changelog, which
# must agree with the project's version.
function(morvik_read_release date_var)
    set(changelog "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian/changelog")
    file(STRINGS "${changelog}" lines)
    list(GET lines 0 head)
    if(NOT head MATCHES "^morvik \\(([^)]+)\\)")
        message(FATAL_ERROR "${changelog}: the first line names no version")
    endif()
    if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
        message(FATAL_ERROR "${changelog}: its newest version ${CMAKE_MATCH_1} is not the "
                            "project's version ${PROJECT_VERSION}")
    endif()
    foreach(line IN LISTS lines)
        if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
            set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
            list(FIND months "${CMAKE_MATCH_2}" month)
            math(EXPR month "${month} + 1")
            if(month LESS 10)
                set(month "0${month}")
            endif()
            set(${date_var} "${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "${changelog}: the newest entry has no trailer line with a date")
endfunction()

# Each package carries the Debian changelog and the copyright file in its documentation
# folder.
function(morvik_install_package_docs component package)
    set(outdir "${PROJECT_BINARY_DIR}/debian")
    set(changelog "${outdir}/changelog.gz")
    if(NOT TARGET debian_changelog)
        add_custom_command(
            OUTPUT "${changelog}"
            COMMAND "${CMAKE_COMMAND}" -E make_directory "${outdir}"
            COMMAND "${CMAKE_COMMAND}" -E copy "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian/changelog"
                    "${outdir}/changelog"
            COMMAND "${MORVIK_GZIP}" -9nf "${outdir}/changelog"
            DEPENDS "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian/changelog"
            COMMENT "Compressing the Debian changelog"
            VERBATIM)
        add_custom_target(debian_changelog ALL DEPENDS "${changelog}")
    endif()
    set(docdir "${CMAKE_INSTALL_DATADIR}/doc/${package}")
    install(FILES "${changelog}" "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian/copyright"
            DESTINATION "${docdir}" COMPONENT "${component}")
endfunction()

function(morvik_configure_packages)
    set(components)
    if(TARGET morvik)
        list(APPEND components morvik)
        morvik_install_package_docs(morvik morvik)
    endif()
    if(TARGET morvik-cli)
        list(APPEND components cli)
        morvik_install_package_docs(cli morvik-cli)
    endif()

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME morvik)
    set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
    set(CPACK_PACKAGE_VENDOR "The Morvik developers")
    set(CPACK_PACKAGE_CONTACT "${MORVIK_MAINTAINER}")
    set(CPACK_PACKAGE_HOMEPAGE_URL "${MORVIK_HOMEPAGE}")
    set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
    set(CPACK_STRIP_FILES ON)
    set(CPACK_COMPONENTS_ALL ${components})
    # Read back by scripts/package.sh, which checks the packages' contents.
    set(CPACK_MORVIK_APP_ID "${MORVIK_APP_ID}")
    set(CPACK_DEB_COMPONENT_INSTALL ON)

    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MORVIK_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MORVIK_HOMEPAGE}")
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

    # The windows: Qt's platform plugins and Chinese button texts, CJK glyphs, the
    # browser opened through xdg-open, libcurl and the certificates of https pages.
    set(curl "libcurl4 (>= 7.87.0)")
    set(CPACK_DEBIAN_MORVIK_PACKAGE_NAME morvik)
    set(CPACK_DEBIAN_MORVIK_PACKAGE_DEPENDS
        "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk, xdg-utils, ${curl}, ca-certificates")
    set(CPACK_DEBIAN_MORVIK_DESCRIPTION
        "batch file tools for the file trees of web sites
Morvik does in one pass what would otherwise be done file by file in the
file tree of a web site. One launcher window opens five tools: a folder
listing written to filelist.txt, batch delete with an error report, copying a
folder's files into every subfolder of a target, inserting a text block into
every file of chosen types, and turning a list of web addresses into .url
shortcut files named after the pages' titles.
.
The interface is in Simplified Chinese.")

    # The command line: no Qt; libcurl, and the certificates for https pages.
    set(CPACK_DEBIAN_CLI_PACKAGE_NAME morvik-cli)
    set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "${curl}, ca-certificates")
    set(CPACK_DEBIAN_CLI_DESCRIPTION
        "batch file tools for web sites, command line
The command-line front end of Morvik: the same engines as its windows list
folders, delete files in batches, copy files into every subfolder, insert
text into many files and make .url shortcut files, from a terminal or a
script. It needs no graphical libraries.")

    include(CPack)
endfunction()
