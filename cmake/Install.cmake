# Installation for a Linux desktop: the device tree's shipped files as a
# template under lib/chimely/device, wrappers that give each user a device root
# of their own, desktop entries, the icon, and the wake-up service's autostart
# entry. `cpack -G DEB` packs the same layout.
#
# The shipped part of the device tree, relative to its root: files, and folders
# (ending in "/") that hold nothing but what the build made. Everything else in
# build/device is what runs left there (alarms, settings, notes, registry, log)
# and never goes into the template.
set(CHIMELY_SHIPPED
    "Program Files/Chimely/Chimely"
    "Program Files/Chimely/chimely-waker"
    "Program Files/Chimely/English.lng"
    "Program Files/Chimely/German.lng"
    "Program Files/Chimely/silence.mp3"
    "Program Files/Chimely/dialogs.skin"
    "Program Files/Chimely/dialogs/"
    "Program Files/Chimely/skin/"
    "Program Files/Chimely/data/"
    "Program Files/Chimely/sounds/"
    "Program Files/Chimely/QevaChimelyToday.so"
    "Program Files/Chimely/today-host"
    "windows/ChimelyToday.skin"
    "windows/ChimelyToday/")
set(CHIMELY_TODAY_HOST_IN_DEVICE "Program Files/Chimely/today-host")
set(CHIMELY_ICON_SVG ${PROJECT_SOURCE_DIR}/data/skins/ChimelyToday/art/icon.svg)

# The icon of the application menu, rendered from the same drawing as the
# home-screen item's icon.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
set(icon_pngs)
foreach(size 48 128 256)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/install/icon-${size}.png
                     COMMAND ${CHIMELY_RSVG_CONVERT} -w ${size} -h ${size} -o ${CMAKE_BINARY_DIR}/install/icon-${size}.png
                             ${CHIMELY_ICON_SVG}
                     DEPENDS ${CHIMELY_ICON_SVG} VERBATIM)
  list(APPEND icon_pngs ${CMAKE_BINARY_DIR}/install/icon-${size}.png)
endforeach()
add_custom_target(install_icons ALL DEPENDS ${icon_pngs})

# Everything that names a final path (wrappers, desktop entries, the template's
# registry) is written at install time, for the prefix, DESTDIR and
# AUTOSTARTDIR of that run.
set(CHIMELY_VERSION 1.0.0)
install(CODE "
  set(CHIMELY_VERSION \"${CHIMELY_VERSION}\")
  set(CHIMELY_SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")
  set(CHIMELY_BINARY_DIR \"${CMAKE_BINARY_DIR}\")
  set(CHIMELY_DEVICE_DIR \"${CHIMELY_DEVICE_DIR}\")
  set(CHIMELY_SHIPPED \"${CHIMELY_SHIPPED}\")
  set(CHIMELY_TODAY_HOST \"${CHIMELY_TODAY_HOST_IN_DEVICE}\")
  set(CHIMELY_PLAT_LIBRARY \"$<TARGET_FILE:chimelyplat>\")
  set(CHIMELY_REG_TOOL \"$<TARGET_FILE:chimely-reg>\")
  set(CHIMELY_ICON_SVG \"${CHIMELY_ICON_SVG}\")
  set(CHIMELY_STRIP \"${CMAKE_STRIP}\")
  include(\"${CMAKE_SOURCE_DIR}/cmake/InstallTemplate.cmake\")
")

# Installing and packing take what the build made and never build again: the
# Makefile's install target builds first, and a package made while tests run
# must not relink what they use.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chimely)
set(CPACK_PACKAGE_VERSION ${CHIMELY_VERSION})
set(CPACK_PACKAGE_CONTACT "Chimely developers <chimely@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "talking alarm clock")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Alarms with repeat rules and skipped dates that ring with a chime, speak the\n time and play a recorded voice note; a home-screen item shows the next alarm.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# A staged install into DESTDIR with the final prefix: installed files name /usr, never the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The device layer's library is private to the package (beside the programs).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/platform")
# Fonts are found through fontconfig, links open with xdg-open and the SDL library is loaded when the
# SDL screen opens: none of them shows in the linked libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, libsdl2-2.0-0")
# setcap gives the wake-up service the capability to wake the machine (post-installation step).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libcap2-bin")
# The capability after installation; the programs of the package's users end before its removal;
# the autostart entry is the administrator's to edit.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/install/postinst ${PROJECT_SOURCE_DIR}/install/prerm
    ${PROJECT_SOURCE_DIR}/install/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
