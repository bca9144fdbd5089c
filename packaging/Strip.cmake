# Run by CPack in its staging folder, before the package is made: strips the programs as
# Debian strips those of its own packages, the compilers' version notes with the symbols.
file(GLOB programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*"
     "${CPACK_TEMPORARY_DIRECTORY}/usr/libexec/tarvex/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${program}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
