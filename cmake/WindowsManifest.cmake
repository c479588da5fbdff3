# orlanek_windows_manifest(TARGET): gives a Windows program the programs' shared manifest
# (packaging/windows/program.manifest): drawn at its monitor's dpi, no elevation, Windows 7 to 11.
cmake_path(ABSOLUTE_PATH CMAKE_CURRENT_LIST_DIR OUTPUT_VARIABLE ORLANEK_MANIFEST_DIR)
cmake_path(APPEND ORLANEK_MANIFEST_DIR .. packaging windows)
cmake_path(NORMAL_PATH ORLANEK_MANIFEST_DIR)
function(orlanek_windows_manifest target)
  set(rc ${ORLANEK_MANIFEST_DIR}/program_manifest.rc)
  target_sources(${target} PRIVATE ${rc})
  # A changed manifest makes the programs anew.
  set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS
    ${ORLANEK_MANIFEST_DIR}/program.manifest)
endfunction()
