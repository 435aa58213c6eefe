# The Windows package: one zip to unpack and run. The programs, the Qt libraries and plugins
# they use, the MinGW runtime, the licence texts and a short guide, all in one folder.
install(FILES ${ORTE_MINGW_DLLS} DESTINATION .)

install(TARGETS orte-monitor orte-demo orte-cli RUNTIME DESTINATION .)
foreach(module Core Gui Widgets SerialPort)
    install(FILES ${ORTE_QT_ROOT}/bin/Qt5${module}.dll DESTINATION .)
endforeach()
install(FILES ${ORTE_QT_ROOT}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${ORTE_QT_ROOT}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION licenses RENAME orte-monitor.txt)
install(FILES ${ORTE_QT_ROOT}/LICENSE.LGPL3 DESTINATION licenses RENAME Qt-LGPL-3.0.txt)
install(FILES ${ORTE_QT_ROOT}/LICENSE.GPL3 DESTINATION licenses RENAME Qt-GPL-3.0.txt)
if(ORTE_XLSXWRITER_ROOT AND EXISTS ${ORTE_XLSXWRITER_ROOT}/LICENSE.libxlsxwriter.txt)
    install(FILES ${ORTE_XLSXWRITER_ROOT}/LICENSE.libxlsxwriter.txt
        DESTINATION licenses RENAME libxlsxwriter.txt)
endif()
if(EXISTS /usr/share/doc/libz-mingw-w64/copyright)
    install(FILES /usr/share/doc/libz-mingw-w64/copyright DESTINATION licenses RENAME zlib.txt)
endif()
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
