# What the programs need beside them on Windows, for `cmake --install` and so
# for the ZIP. Built natively, Qt's deploy step (windeployqt) gathers it.
# Cross-built from Linux there is no windeployqt, so the Qt libraries, the
# plugins the window loads and the MinGW runtime are named here.
function(torvane_install_windows_runtime target)
    if(NOT CMAKE_CROSSCOMPILING)
        if(Qt6_VERSION VERSION_LESS 6.5)
            qt_generate_deploy_app_script(TARGET ${target} FILENAME_VARIABLE deploy_script)
        else()
            qt_generate_deploy_app_script(TARGET ${target} OUTPUT_SCRIPT deploy_script)
        endif()
        install(SCRIPT ${deploy_script})
        return()
    endif()

    foreach(library Core Gui Widgets)
        install(FILES $<TARGET_FILE:Qt6::${library}> DESTINATION bin)
    endforeach()
    # The platform, the native look, and the reader of the .ico the windows show.
    install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION bin/platforms)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION bin/styles)
    install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION bin/imageformats)

    # The compiler's runtime, which Qt and the command-line tools link to.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
            execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                            OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
            if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
                message(FATAL_ERROR "The MinGW runtime ${runtime} was not found by ${CMAKE_CXX_COMPILER}")
            endif()
            install(FILES "${path}" DESTINATION bin)
        endforeach()
    endif()
endfunction()
