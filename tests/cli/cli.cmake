# The command-line tests run the real morvik-cli as a process.
if(TARGET morvik-cli)
    target_sources(morvik_tests PRIVATE "${CMAKE_CURRENT_LIST_DIR}/runcli.cpp")
    target_compile_definitions(morvik_tests PRIVATE MORVIK_CLI_PATH="$<TARGET_FILE:morvik-cli>")
    add_dependencies(morvik_tests morvik-cli)
endif()
