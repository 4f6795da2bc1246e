# chimely_skin(NAME <name> SOURCE <dir> SKIN <skin file> PICTURES <picture folder>)
#
# Builds one skin of the device tree from its source folder:
# - every SOURCE/art/*.svg is rendered by rsvg-convert at scale 1 (NAME.png) and
#   scale 2 (NAME_x2.png, which the picture loader takes unscaled at scale 2);
# - pngalpha splits each rendering into its colours and, where it is not opaque,
#   a mask (NAME_1.png, hard edges) or an alpha picture (NAME_8.png, soft edges);
#   all of them go into PICTURES;
# - skinc compiles SOURCE/skin.xml, with the files it includes, into SKIN.
# The loader finds a picture name relative to the skin file's folder, so PICTURES
# lies in SKIN's folder or below it, and the skin source names its pictures with
# that folder ("Default/watchFace" for SKIN .../skin/Default.skin and PICTURES
# .../skin/Default). An edited SVG or XML file rebuilds what depends on it.
find_program(CHIMELY_RSVG_CONVERT rsvg-convert)

function(chimely_skin)
  cmake_parse_arguments(ARG "" "NAME;SOURCE;SKIN;PICTURES" "" ${ARGN})
  foreach(argument NAME SOURCE SKIN PICTURES)
    if(NOT ARG_${argument})
      message(FATAL_ERROR "chimely_skin: ${argument} is missing")
    endif()
  endforeach()
  get_filename_component(skin_folder "${ARG_SKIN}" DIRECTORY)
  file(RELATIVE_PATH below "${skin_folder}" "${ARG_PICTURES}")
  if(below MATCHES "^\\.\\.")
    message(FATAL_ERROR "chimely_skin(${ARG_NAME}): PICTURES ${ARG_PICTURES} must lie in the skin's folder ${skin_folder}")
  endif()
  set(work "${CMAKE_CURRENT_BINARY_DIR}/skin-${ARG_NAME}")
  file(MAKE_DIRECTORY "${work}")
  file(GLOB art CONFIGURE_DEPENDS "${ARG_SOURCE}/art/*.svg")
  file(GLOB sources CONFIGURE_DEPENDS "${ARG_SOURCE}/*.xml")

  if(art AND NOT EXISTS "${CHIMELY_RSVG_CONVERT}")
    message(WARNING "rsvg-convert is missing: the skin ${ARG_NAME} cannot be built (install librsvg2-bin, or run make deps)")
    add_custom_target(skin_${ARG_NAME} ALL
                      COMMAND ${CMAKE_COMMAND} -E echo
                              "The skin ${ARG_NAME} needs rsvg-convert to render its art: install librsvg2-bin (make deps installs it)."
                      COMMAND ${CMAKE_COMMAND} -E false VERBATIM)
    return()
  endif()

  set(pictures)
  foreach(svg IN LISTS art)
    get_filename_component(picture "${svg}" NAME_WE)
    foreach(scale 1 2)
      set(name ${picture})
      if(NOT scale EQUAL 1)
        set(name ${picture}_x${scale})
      endif()
      # The colours are always written, so a picture folder that was emptied is filled again.
      add_custom_command(OUTPUT "${ARG_PICTURES}/${name}.png"
                         COMMAND ${CHIMELY_RSVG_CONVERT} --zoom ${scale} --format png --output "${work}/${name}.png" "${svg}"
                         COMMAND ${CMAKE_COMMAND} -E make_directory "${ARG_PICTURES}"
                         COMMAND $<TARGET_FILE:pngalpha> "${work}/${name}.png" "${ARG_PICTURES}/${name}"
                         DEPENDS "${svg}" pngalpha
                         COMMENT "Rendering ${ARG_NAME}/${name}" VERBATIM)
      list(APPEND pictures "${ARG_PICTURES}/${name}.png")
    endforeach()
  endforeach()

  add_custom_command(OUTPUT "${ARG_SKIN}"
                     COMMAND ${CMAKE_COMMAND} -E make_directory "${skin_folder}"
                     COMMAND $<TARGET_FILE:skinc> "${ARG_SOURCE}/skin.xml" "${ARG_SKIN}" "${skin_folder}"
                     DEPENDS ${sources} ${pictures} skinc
                     COMMENT "Compiling the skin ${ARG_SKIN}" VERBATIM)
  add_custom_target(skin_${ARG_NAME} ALL DEPENDS "${ARG_SKIN}")
endfunction()
