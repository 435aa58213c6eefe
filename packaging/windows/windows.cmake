# The Windows package: one zip to unpack and run. The programs, the Qt libraries and plugins
# they use, the MinGW runtime, the licence texts and a short guide, all in one folder.
install(FILES ${ORTE_MINGW_DLLS} DESTINATION .)

install(TARGETS orte-monitor orte-demo orte-cli orte-recorder RUNTIME DESTINATION .)
foreach(module Core Gui Widgets SerialPort Charts Network)
    install(FILES ${ORTE_QT_ROOT}/bin/Qt5${module}.dll DESTINATION .)
endforeach()
# qoffscreen too: orte-demo --headless (and a support engineer's check without a desktop).
install(FILES ${ORTE_QT_ROOT}/plugins/platforms/qwindows.dll
    ${ORTE_QT_ROOT}/plugins/platforms/qoffscreen.dll DESTINATION platforms)
install(FILES ${ORTE_QT_ROOT}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)

# The Russian guide as a page Windows opens, made from its Markdown by cmark-gfm.
find_program(ORTE_CMARK cmark-gfm REQUIRED)
set(orte_guide ${CMAKE_BINARY_DIR}/guide-ru.html)
add_custom_command(OUTPUT ${orte_guide}
    COMMAND ${CMAKE_COMMAND} -DCMARK=${ORTE_CMARK} -DSOURCE=${PROJECT_SOURCE_DIR}/docs/руководство.md
        -DOUTPUT=${orte_guide} -P ${PROJECT_SOURCE_DIR}/packaging/windows/guide_html.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/руководство.md
        ${PROJECT_SOURCE_DIR}/packaging/windows/guide_html.cmake
    VERBATIM)
add_custom_target(orte_guide_html ALL DEPENDS ${orte_guide})
install(FILES ${orte_guide} DESTINATION .)
# The guide's pictures of the recorder, beside the page.
file(GLOB orte_guide_pictures ${PROJECT_SOURCE_DIR}/docs/recorder-*.png)
install(FILES ${orte_guide_pictures} DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION licenses RENAME orte-monitor.txt)
install(FILES ${ORTE_QT_ROOT}/LICENSE.LGPL3 DESTINATION licenses RENAME Qt-LGPL-3.0.txt)
install(FILES ${ORTE_QT_ROOT}/LICENSE.GPL3 DESTINATION licenses RENAME Qt-GPL-3.0.txt)
# What Qt's DLLs hold of others' code (libpng, FreeType, HarfBuzz, PCRE2, zlib and more), as the
# tree was configured: made by qt_third_party.py.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/licenses/Qt-third-party.txt
    DESTINATION licenses)
if(EXISTS /usr/share/common-licenses/MPL-2.0)
    install(FILES /usr/share/common-licenses/MPL-2.0 DESTINATION licenses RENAME MPL-2.0.txt)
endif()
# Qt Charts (Qt5Charts.dll, which orte-recorder.exe links) is under the GPL version 3 alone.
install(FILES ${ORTE_QT_ROOT}/LICENSE.QtCharts.GPL3 DESTINATION licenses
    RENAME QtCharts-GPL-3.0.txt)
if(ORTE_XLSXWRITER_ROOT AND EXISTS ${ORTE_XLSXWRITER_ROOT}/LICENSE.libxlsxwriter.txt)
    install(FILES ${ORTE_XLSXWRITER_ROOT}/LICENSE.libxlsxwriter.txt
        DESTINATION licenses RENAME libxlsxwriter.txt)
endif()
# libmosquitto (libmosquitto.dll, the companions' MQTT): EPL-2.0 or EDL-1.0.
if(ORTE_MOSQUITTO_ROOT AND EXISTS ${ORTE_MOSQUITTO_ROOT}/licenses/LICENSE.txt)
    install(FILES ${ORTE_MOSQUITTO_ROOT}/licenses/LICENSE.txt DESTINATION licenses
        RENAME libmosquitto.txt)
    install(FILES ${ORTE_MOSQUITTO_ROOT}/licenses/epl-v20 DESTINATION licenses
        RENAME libmosquitto-EPL-2.0.txt)
    install(FILES ${ORTE_MOSQUITTO_ROOT}/licenses/edl-v10 DESTINATION licenses
        RENAME libmosquitto-EDL-1.0.txt)
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

# Text files with Windows' line ends: Notepad before Windows 10 1809 shows a file of bare line
# feeds as one line. At install time, so that the zip and the installer both get it.
install(CODE "
    file(GLOB_RECURSE orte_texts \"\${CMAKE_INSTALL_PREFIX}/*.txt\" \"\${CMAKE_INSTALL_PREFIX}/*.html\")
    foreach(text \${orte_texts})
        file(READ \"\${text}\" content)
        string(REPLACE \"\\r\\n\" \"\\n\" content \"\${content}\")
        # A last line without its line end (as some licence texts come) gets one.
        if(NOT content MATCHES \"\\n\$\")
            string(APPEND content \"\\n\")
        endif()
        string(REPLACE \"\\n\" \"\\r\\n\" content \"\${content}\")
        file(WRITE \"\${text}\" \"\${content}\")
    endforeach()
")

# Everything shipped is stripped: the MinGW runtime alone (libstdc++-6.dll) comes with 24 MB of
# symbols, which help no user. At install time, so that the zip and the installer both get it.
find_program(ORTE_MINGW_STRIP NAMES x86_64-w64-mingw32-strip REQUIRED)
install(CODE "
    file(GLOB_RECURSE orte_binaries \"\${CMAKE_INSTALL_PREFIX}/*.dll\" \"\${CMAKE_INSTALL_PREFIX}/*.exe\")
    foreach(binary \${orte_binaries})
        execute_process(COMMAND ${ORTE_MINGW_STRIP} --strip-unneeded \"\${binary}\" RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR \"cannot strip \${binary}\")
        endif()
    endforeach()
")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME orte-monitor)
set(CPACK_PACKAGE_FILE_NAME orte-monitor-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
