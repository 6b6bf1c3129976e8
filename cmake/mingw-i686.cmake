# Cross-compiling for 32-bit Windows with MinGW-w64 (i686-w64-mingw32). The posix-thread
# compilers are used because GoogleTest needs std::mutex, which the win32-thread ones lack;
# the shipped programs link the win32-thread build of the same GCC's runtime instead, which
# needs no POSIX thread library (MINGW_WIN32_THREAD_RUNTIME).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLET i686-w64-mingw32)

function(mingw_find_tool variable name)
    find_program(${variable} NAMES ${MINGW_TRIPLET}-${name} NO_CACHE)
    if(NOT ${variable})
        message(FATAL_ERROR "${MINGW_TRIPLET}-${name} not found: install Debian's mingw-w64 package "
                            "(scripts/test does it).")
    endif()
    set(${variable} "${${variable}}" PARENT_SCOPE)
endfunction()

mingw_find_tool(CMAKE_C_COMPILER gcc-posix)
mingw_find_tool(CMAKE_CXX_COMPILER g++-posix)
mingw_find_tool(CMAKE_RC_COMPILER windres)
mingw_find_tool(MINGW_OBJDUMP objdump)
mingw_find_tool(MINGW_WIN32_THREAD_GCC gcc-win32)

execute_process(COMMAND ${MINGW_WIN32_THREAD_GCC} -print-libgcc-file-name
                OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(MINGW_WIN32_THREAD_RUNTIME "${libgcc}" DIRECTORY)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
