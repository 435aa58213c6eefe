# The Windows package: one zip to unpack and run. The programs, the Qt libraries and plugins
# they use, the MinGW runtime, the licence texts and a short guide, all in one folder.
get_filename_component(orte_qt_root "${Qt5_DIR}/../../.." ABSOLUTE)
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE orte_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${orte_dll}")
        message(FATAL_ERROR "the MinGW runtime ${dll} was not found")
    endif()
    install(FILES ${orte_dll} DESTINATION .)
endforeach()

install(TARGETS orte-monitor orte-demo orte-cli RUNTIME DESTINATION .)
foreach(module Core Gui Widgets SerialPort)
    install(FILES ${orte_qt_root}/bin/Qt5${module}.dll DESTINATION .)
endforeach()
install(FILES ${orte_qt_root}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${orte_qt_root}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION licenses RENAME orte-monitor.txt)
install(FILES ${orte_qt_root}/LICENSE.LGPL3 DESTINATION licenses RENAME Qt-LGPL-3.0.txt)
install(FILES ${orte_qt_root}/LICENSE.GPL3 DESTINATION licenses RENAME Qt-GPL-3.0.txt)
if(EXISTS /usr/share/doc/mingw-w64-x86-64-dev/copyright)
    install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright
        DESTINATION licenses RENAME mingw-w64-runtime.txt)
endif()
if(EXISTS /usr/share/doc/gcc-mingw-w64-base/copyright)
    install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright
        DESTINATION licenses RENAME gcc-runtime.txt)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME orte-monitor)
set(CPACK_PACKAGE_FILE_NAME orte-monitor-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
