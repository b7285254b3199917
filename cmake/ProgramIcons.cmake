# The programs' 32 x 32 icons (packaging/icons/32/<program>.png) as PNG bytes compiled into
# shared_forms, so the windows and About boxes show the pictures the desktop menus show.
# Writes <binary dir>/generated/ProgramIconData.inc; returns its folder.
function(varnholt_program_icons out_dir)
  set(arrays "")
  set(table "")
  foreach(program ${VARNHOLT_PROGRAMS})
    set(png ${PROJECT_SOURCE_DIR}/packaging/icons/32/${program}.png)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${png})
    file(READ ${png} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "constexpr std::uint8_t k_${program}[] = {${bytes}};\n")
    string(APPEND table "    {\"${program}\", k_${program}},\n")
  endforeach()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
  file(CONFIGURE OUTPUT ${dir}/ProgramIconData.inc CONTENT
       "// Made by the build from packaging/icons/32/ (cmake/ProgramIcons.cmake).\n${arrays}
constexpr EmbeddedIcon kEmbeddedIcons[] = {\n${table}};\n" @ONLY)
  set(${out_dir} ${dir} PARENT_SCOPE)
endfunction()
