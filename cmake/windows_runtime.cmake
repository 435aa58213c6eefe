# Built for Windows: the Qt for Windows tree, and the MinGW runtime DLLs that every program
# needs beside it (the tests under Wine find them on WINEPATH, the zip carries them).
get_filename_component(ORTE_QT_ROOT "${Qt5_DIR}/../../.." ABSOLUTE)
set(ORTE_MINGW_DLLS)
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE orte_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${orte_dll}")
        message(FATAL_ERROR "the MinGW runtime ${dll} was not found")
    endif()
    list(APPEND ORTE_MINGW_DLLS ${orte_dll})
endforeach()
