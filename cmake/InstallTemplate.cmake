# Runs at install time (cmake --install, cpack): writes the device template and
# the desktop files for CMAKE_INSTALL_PREFIX; file(INSTALL) adds DESTDIR.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(staged "$ENV{DESTDIR}${prefix}")
set(template "${prefix}/lib/chimely/device")
set(app_folder "Program Files/Chimely")

# A fresh template each time: a file the build no longer ships must not linger.
file(REMOVE_RECURSE "$ENV{DESTDIR}${template}")
set(shipped)
foreach(entry IN LISTS CHIMELY_SHIPPED)
  if(entry MATCHES "/$")
    file(GLOB_RECURSE below RELATIVE "${CHIMELY_DEVICE_DIR}" "${CHIMELY_DEVICE_DIR}/${entry}*")
    if(NOT below)
      message(FATAL_ERROR "the device tree has nothing in ${entry}: build first")
    endif()
    list(APPEND shipped ${below})
  elseif(EXISTS "${CHIMELY_DEVICE_DIR}/${entry}")
    list(APPEND shipped "${entry}")
  else()
    message(FATAL_ERROR "the device tree lacks ${entry}: build first")
  endif()
endforeach()
# The device layer's library and the registry tool that the wrappers use come
# straight from the build.
list(APPEND shipped "${app_folder}/libchimelyplat.so" "${app_folder}/chimely-reg")
list(SORT shipped)
foreach(relative IN LISTS shipped)
  if(relative STREQUAL "${app_folder}/libchimelyplat.so")
    set(source "${CHIMELY_PLAT_LIBRARY}")
  elseif(relative STREQUAL "${app_folder}/chimely-reg")
    set(source "${CHIMELY_REG_TOOL}")
  else()
    set(source "${CHIMELY_DEVICE_DIR}/${relative}")
  endif()
  get_filename_component(folder "${template}/${relative}" DIRECTORY)
  get_filename_component(name "${relative}" NAME)
  if(name MATCHES "\\.so$")
    # Libraries are loaded, never run: not executable.
    file(INSTALL "${source}" DESTINATION "${folder}" RENAME "${name}"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  else()
    file(INSTALL "${source}" DESTINATION "${folder}" USE_SOURCE_PERMISSIONS RENAME "${name}")
  endif()
  # Programs and libraries lose the build's debugging data (it names the build
  # tree) and find the device layer beside the programs, wherever the tree is.
  file(READ "${source}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    set(installed "$ENV{DESTDIR}${template}/${relative}")
    execute_process(COMMAND "${CHIMELY_STRIP}" --strip-unneeded "${installed}" RESULT_VARIABLE strip_result)
    if(NOT strip_result EQUAL 0)
      message(FATAL_ERROR "strip failed on ${installed}")
    endif()
    file(STRINGS "${installed}" build_paths REGEX "${CHIMELY_BINARY_DIR}" LIMIT_COUNT 1)
    if(build_paths)
      file(RELATIVE_PATH up "${folder}" "${template}/${app_folder}")
      set(runpath "$ORIGIN")
      if(up)
        set(runpath "$ORIGIN/${up}")
      endif()
      file(RPATH_SET FILE "${installed}" NEW_RPATH "${runpath}")
    endif()
  endif()
endforeach()
string(REPLACE ";" "\n" listed "${shipped}")
file(WRITE "${CHIMELY_BINARY_DIR}/install/files.txt" "${listed}\n")
file(INSTALL "${CHIMELY_BINARY_DIR}/install/files.txt" DESTINATION "${prefix}/lib/chimely")

# The template's registry names the main program; the wrappers keep it so in each root.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "CHIMELY_ROOT=$ENV{DESTDIR}${template}"
                        "${CHIMELY_REG_TOOL}" set "HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely" MainProgram sz
                        "\\Program Files\\Chimely\\Chimely"
                RESULT_VARIABLE reg_result)
if(NOT reg_result EQUAL 0)
  message(FATAL_ERROR "writing MainProgram into the template failed")
endif()
# Listed with what file(INSTALL) put there, so that make uninstall removes it too.
file(GLOB_RECURSE registry "$ENV{DESTDIR}${template}/windows/registry/*")
foreach(written IN LISTS registry)
  string(REPLACE "$ENV{DESTDIR}${template}" "${template}" written "${written}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${written}")
endforeach()

# Wrappers and desktop entries name final paths, never DESTDIR or the build tree.
set(CHIMELY_LIB_DIR "${prefix}/lib/chimely")
set(CHIMELY_BIN_DIR "${prefix}/bin")
# Manual pages and the changelog are kept compressed, without a name or time in the header.
function(compress file)
  execute_process(COMMAND gzip -9nc "${file}" OUTPUT_FILE "${file}.gz" RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${file}")
  endif()
endfunction()
set(executable OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(usage_chimely [=[
Usage: chimely [close | AppRunAtTime | AppRunAfterWakeup | FILE]
       chimely --help | --version

Chimely, the talking alarm clock, in your own device root: $CHIMELY_ROOT, or
else ${XDG_DATA_HOME:-~/.local/share}/chimely. The root keeps your alarms,
settings and voice notes; each start copies newer installed files into it.
When Chimely already runs there, the start hands its command line to it and
ends; the program stays resident until it is handed "close".
  (nothing)           show the main window
  close               end the running program
  AppRunAtTime        ring the alarm that is due (the wake-up service starts it so)
  AppRunAfterWakeup   ring a missed alarm, or else speak the time
  FILE                a new alarm with FILE as its voice note, a device path
                      such as '\My Documents\note.wav'
See chimely(1).]=])
set(usage_chimely-today [=[
Usage: chimely-today [ITEM-LIBRARY...]
       chimely-today --help | --version

A small home screen with Chimely's item: the next alarm, or how many alarms
were passed over, from your device root (as chimely). Up and Down move the
highlight; Enter or a tap on the item starts Chimely. It loads
'\Program Files\Chimely\QevaChimelyToday.so', or the item libraries named by
their device paths.
See chimely-today(1).]=])
set(usage_chimely-wake-up [=[
Usage: chimely-wake-up
       chimely-wake-up register PROGRAM "YYYY-MM-DD HH:MM:SS" | cancel PROGRAM
       chimely-wake-up list | status
       chimely-wake-up --help | --version

The wake-up service of your device root (as chimely): it starts Chimely at
each registered alarm time and ends when no alarm is registered. The desktop
starts it at login; Chimely starts it when it registers an alarm.
  register, cancel   add or withdraw the registration of PROGRAM, a device
                     path such as '\Program Files\Chimely\Bellcue.exe'
  list               the registrations, earliest first
  status             whether the service runs, its clock and next wake-up
See chimely-wake-up(1).]=])
foreach(wrapper chimely chimely-today chimely-wake-up)
  if(wrapper STREQUAL "chimely")
    set(CHIMELY_WRAPPED_PROGRAM "${app_folder}/Chimely")
  elseif(wrapper STREQUAL "chimely-today")
    set(CHIMELY_WRAPPED_PROGRAM "${CHIMELY_TODAY_HOST}")
  else()
    set(CHIMELY_WRAPPED_PROGRAM "${app_folder}/chimely-waker")
  endif()
  set(CHIMELY_WRAPPER "${wrapper}")
  set(CHIMELY_WRAPPER_USAGE "${usage_${wrapper}}")
  configure_file("${CHIMELY_SOURCE_DIR}/install/wrapper.sh.in" "${CHIMELY_BINARY_DIR}/install/${wrapper}" @ONLY)
  file(INSTALL "${CHIMELY_BINARY_DIR}/install/${wrapper}" DESTINATION "${prefix}/bin" FILE_PERMISSIONS ${executable})
  configure_file("${CHIMELY_SOURCE_DIR}/install/man/${wrapper}.1" "${CHIMELY_BINARY_DIR}/install/man/${wrapper}.1" @ONLY)
  compress("${CHIMELY_BINARY_DIR}/install/man/${wrapper}.1")
  file(INSTALL "${CHIMELY_BINARY_DIR}/install/man/${wrapper}.1.gz" DESTINATION "${prefix}/share/man/man1")
endforeach()
# Ends what runs of this installation before its files go (the package's prerm, make uninstall).
configure_file("${CHIMELY_SOURCE_DIR}/install/stop-running.sh.in" "${CHIMELY_BINARY_DIR}/install/stop-running" @ONLY)
file(INSTALL "${CHIMELY_BINARY_DIR}/install/stop-running" DESTINATION "${CHIMELY_LIB_DIR}" FILE_PERMISSIONS ${executable})
configure_file("${CHIMELY_SOURCE_DIR}/install/changelog" "${CHIMELY_BINARY_DIR}/install/changelog" COPYONLY)
compress("${CHIMELY_BINARY_DIR}/install/changelog")
file(INSTALL "${CHIMELY_SOURCE_DIR}/install/copyright" "${CHIMELY_BINARY_DIR}/install/changelog.gz"
     DESTINATION "${prefix}/share/doc/chimely")
foreach(entry chimely chimely-today chimely-wake-up)
  configure_file("${CHIMELY_SOURCE_DIR}/install/${entry}.desktop.in" "${CHIMELY_BINARY_DIR}/install/${entry}.desktop" @ONLY)
endforeach()
file(INSTALL "${CHIMELY_BINARY_DIR}/install/chimely.desktop" "${CHIMELY_BINARY_DIR}/install/chimely-today.desktop"
     DESTINATION "${prefix}/share/applications")
# The wake-up service runs within the desktop login (it starts Chimely, which needs the display and sound).
set(autostart "$ENV{AUTOSTARTDIR}")
if(autostart STREQUAL "")
  set(autostart "/etc/xdg/autostart")
endif()
file(INSTALL "${CHIMELY_BINARY_DIR}/install/chimely-wake-up.desktop" DESTINATION "${autostart}")

file(INSTALL "${CHIMELY_ICON_SVG}" DESTINATION "${prefix}/share/icons/hicolor/scalable/apps" RENAME chimely.svg)
foreach(size 48 128 256)
  file(INSTALL "${CHIMELY_BINARY_DIR}/install/icon-${size}.png" DESTINATION "${prefix}/share/icons/hicolor/${size}x${size}/apps"
       RENAME chimely.png)
endforeach()

# Caches of the running system only; a staged install (a package) leaves them to its own triggers.
if("$ENV{DESTDIR}" STREQUAL "")
  find_program(update_desktop update-desktop-database)
  find_program(update_icons gtk-update-icon-cache)
  if(update_desktop)
    execute_process(COMMAND "${update_desktop}" -q "${prefix}/share/applications")
  endif()
  if(update_icons)
    execute_process(COMMAND "${update_icons}" -q -t -f "${prefix}/share/icons/hicolor")
  endif()
endif()

# Alarms wake a suspended machine only when the service may use the alarm
# clock: it gets CAP_WAKE_ALARM and nothing else. A package sets it when it is
# installed; an install straight onto this system sets it when run as root.
set(waker "${template}/${app_folder}/chimely-waker")
if("$ENV{DESTDIR}" STREQUAL "")
  find_program(setcap_tool setcap PATHS /usr/sbin /sbin)
  execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(capable FALSE)
  if(uid STREQUAL "0" AND setcap_tool)
    execute_process(COMMAND "${setcap_tool}" cap_wake_alarm+ep "${waker}" RESULT_VARIABLE setcap_result)
    if(setcap_result EQUAL 0)
      set(capable TRUE)
    endif()
  endif()
  if(NOT capable)
    message(STATUS "To let alarms wake this machine from suspend, run as root: setcap cap_wake_alarm+ep '${waker}'")
  endif()
endif()
