# Helpers shared by the deliverables' CMake files.

set(OV_RESOURCES_DIR ${CMAKE_SOURCE_DIR}/resources)

# Gives a binary its VERSIONINFO resource: product "Ostrel Logon", file and product
# version from the project version, and a description.
function(ov_version_resource target description original_name)
  set(OV_FILE_DESCRIPTION "${description}")
  set(OV_ORIGINAL_FILENAME "${original_name}")
  set(OV_INTERNAL_NAME "${target}")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(OV_FILE_TYPE VFT_APP)
  else()
    set(OV_FILE_TYPE VFT_DLL)
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${OV_RESOURCES_DIR}/version.rc.in ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()

# Exports come from a .def file with undecorated names (WlxNegotiate, not WlxNegotiate@8).
function(ov_def_file target def)
  target_sources(${target} PRIVATE ${def})
endfunction()

# Resource scripts see the shared string table and ids.
function(ov_rc_includes target)
  target_include_directories(${target} PRIVATE ${OV_RESOURCES_DIR})
endfunction()
