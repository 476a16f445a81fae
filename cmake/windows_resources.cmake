# Windows resources of the programs a user runs: one icon of 16 to 256 pixels,
# built from the program's own pictures (packaging/icons) with icoutils, and a
# version resource from the project's version.
#
#   fs_windows_resources(TARGET "description" [extra .rc lines])
enable_language(RC)
find_program(FS_ICOTOOL icotool)
if(NOT FS_ICOTOOL)
  message(FATAL_ERROR "icotool (Debian's icoutils) is needed for the Windows icon: run scripts/deps-windows")
endif()

set(FS_ICO ${PROJECT_BINARY_DIR}/fiscal-service.ico)
set(fs_icon_dir ${PROJECT_SOURCE_DIR}/packaging/icons/hicolor)
set(fs_icon_args "")
set(fs_icon_files "")
foreach(size 16 32 48 64 128 256)
  set(png ${fs_icon_dir}/${size}x${size}/apps/fiscal-service.png)
  # The 256-pixel picture is stored as PNG, as Windows expects at that size.
  if(size EQUAL 256)
    list(APPEND fs_icon_args -r ${png})
  else()
    list(APPEND fs_icon_args ${png})
  endif()
  list(APPEND fs_icon_files ${png})
endforeach()
add_custom_command(OUTPUT ${FS_ICO}
  COMMAND ${FS_ICOTOOL} -c -o ${FS_ICO} ${fs_icon_args}
  DEPENDS ${fs_icon_files} VERBATIM)
add_custom_target(fs_icon DEPENDS ${FS_ICO})

set(FS_RC_COMPANY "the fiscal-service developers")
# The copyright line of the Debian package's copyright file, so both say the same.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/copyright fs_copyright REGEX "^Copyright:" LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright:[ ]*" "© " FS_RC_COPYRIGHT "${fs_copyright}")
string(REPLACE "." "," FS_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")

function(fs_windows_resources target description)
  set(FS_RC_NAME ${target})
  set(FS_RC_DESCRIPTION "${description}")
  string(JOIN "\n" FS_RC_EXTRA ${ARGN})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${FS_ICO})
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} fs_icon)
endfunction()
