# SPDX-License-Identifier: GPL-3.0-or-later
# Manual pages: hand-kept roff files docs/man/PROGRAM.SECTION, compressed as Debian
# expects and installed with their program: morvik.1 in component morvik, morvik-cli.1
# in component cli. A page whose program is not built is left out.
find_program(MORVIK_GZIP gzip REQUIRED)

function(morvik_install_man_pages)
    file(GLOB pages CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/docs/man/*.[1-9]")
    set(outdir "${PROJECT_BINARY_DIR}/man")
    set(outputs)
    foreach(page IN LISTS pages)
        get_filename_component(name "${page}" NAME)
        get_filename_component(program "${page}" NAME_WLE)
        if(NOT TARGET "${program}")
            continue()
        endif()
        string(REGEX MATCH "[1-9]$" section "${name}")
        string(REGEX REPLACE "^morvik-" "" component "${program}")
        set(out "${outdir}/${name}.gz")
        add_custom_command(
            OUTPUT "${out}"
            COMMAND "${CMAKE_COMMAND}" -E make_directory "${outdir}"
            COMMAND "${CMAKE_COMMAND}" -E copy "${page}" "${outdir}/${name}"
            COMMAND "${MORVIK_GZIP}" -9nf "${outdir}/${name}"
            DEPENDS "${page}"
            COMMENT "Compressing the manual page ${name}"
            VERBATIM)
        list(APPEND outputs "${out}")
        install(FILES "${out}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man${section}"
                COMPONENT "${component}")
    endforeach()
    add_custom_target(manpages ALL DEPENDS ${outputs})
endfunction()
