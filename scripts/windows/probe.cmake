# Included into the Windows test build by scripts/windows/test.sh (CMAKE_PROJECT_INCLUDE): once the
# project's own targets exist, adds the calibration probe, which stores a calibration through the
# program's settings store so that the test can find it in the registry.
set(_velmora_probe_dir ${CMAKE_CURRENT_LIST_DIR})
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _velmora_windows_probe)
function(_velmora_windows_probe)
  add_executable(velmora-calibration-probe ${_velmora_probe_dir}/calibration_probe.cpp)
  set_target_properties(velmora-calibration-probe PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  target_link_libraries(velmora-calibration-probe PRIVATE velmora_core)
endfunction()
