# The companion programs' Russian translations: a .ts beside the code, compiled at build time
# by Qt's own lrelease (Qt5LinguistTools / Qt6 LinguistTools), and embedded under :/i18n/.
# A Windows build is cross-compiled, and Qt's Windows tree has no tools that run here: the
# host's lrelease compiles its translations.
if(NOT CMAKE_CROSSCOMPILING)
    find_package(Qt${ORTE_QT_MAJOR} QUIET COMPONENTS LinguistTools)
endif()
if(NOT Qt${ORTE_QT_MAJOR}LinguistTools_FOUND)
    find_program(ORTE_LRELEASE NAMES lrelease lrelease-qt5 PATHS /usr/lib/qt5/bin
        /usr/lib/qt6/bin REQUIRED)
endif()

# Compiles `ts` (a path relative to the calling folder) and embeds it in `target`, as
# :/i18n/<name>.qm, in the resource `resource` (what Q_INIT_RESOURCE names).
function(orte_embed_translation target ts resource)
    get_filename_component(name ${ts} NAME_WE)
    set(qm ${CMAKE_CURRENT_BINARY_DIR}/${name}.qm)
    if(Qt${ORTE_QT_MAJOR}LinguistTools_FOUND)
        set_source_files_properties(${ts} PROPERTIES OUTPUT_LOCATION ${CMAKE_CURRENT_BINARY_DIR})
        if(ORTE_QT_MAJOR EQUAL 5)
            qt5_add_translation(compiled ${ts} OPTIONS -silent)
        else()
            qt6_add_translation(compiled ${ts} OPTIONS -silent)
        endif()
    else()
        add_custom_command(OUTPUT ${qm}
            COMMAND ${ORTE_LRELEASE} -silent ${CMAKE_CURRENT_SOURCE_DIR}/${ts} -qm ${qm}
            DEPENDS ${ts} VERBATIM)
    endif()
    set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${resource}.qrc)
    file(WRITE ${qrc} "<RCC><qresource prefix=\"/i18n\"><file>${name}.qm</file></qresource></RCC>\n")
    qt_add_resources(resources ${qrc})
    target_sources(${target} PRIVATE ${ts} ${qm} ${resources})
endfunction()
