# The warnings every target of the project is built with, as a target to
# link: flags chosen per compiler. TORVANE_WERROR makes them errors (CI).
option(TORVANE_WERROR "Treat warnings as errors" OFF)
add_library(torvane_warnings INTERFACE)
if(MSVC)
    # Sources and messages are UTF-8; without /utf-8 MSVC reads them in the code page.
    target_compile_options(torvane_warnings INTERFACE /W4 /permissive- /utf-8 $<$<BOOL:${TORVANE_WERROR}>:/WX>)
else()
    target_compile_options(torvane_warnings INTERFACE -Wall -Wextra -Wpedantic $<$<BOOL:${TORVANE_WERROR}>:-Werror>)
endif()

# Adds the source of the running system for each concern: NAME_windows.cpp
# on Windows, NAME_posix.cpp elsewhere.
function(torvane_system_sources target)
    foreach(concern IN LISTS ARGN)
        if(WIN32)
            target_sources(${target} PRIVATE ${concern}_windows.cpp)
        else()
            target_sources(${target} PRIVATE ${concern}_posix.cpp)
        endif()
    endforeach()
endfunction()
