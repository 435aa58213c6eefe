# Every Windows program carries the application manifest of packaging/windows/orte.manifest,
# as resource 1 of type 24 (RT_MANIFEST).
set(ORTE_MANIFEST_RC ${CMAKE_BINARY_DIR}/orte-manifest.rc)
file(WRITE ${ORTE_MANIFEST_RC}
    "1 24 \"${PROJECT_SOURCE_DIR}/packaging/windows/orte.manifest\"\n")
function(orte_windows_manifest target)
    if(WIN32)
        target_sources(${target} PRIVATE ${ORTE_MANIFEST_RC})
    endif()
endfunction()
