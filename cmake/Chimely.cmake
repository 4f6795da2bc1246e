# One static library per subsystem: every .cpp under <dir>/src, headers under <dir>/include.
function(chimely_library name)
  cmake_parse_arguments(ARG "SHARED" "" "LINK" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/src/*.c)
  if(NOT sources)
    # A subsystem with no code yet: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
    return()
  elseif(ARG_SHARED)
    add_library(${name} SHARED ${sources})
  else()
    add_library(${name} STATIC ${sources})
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

# One GoogleTest program per folder of tests/; every test runs in its own process with a fresh device root,
# and the whole program once more in one process, in a random order (each test still gets a root of its own).
function(chimely_whole_test name)
  add_test(NAME ${name}.whole COMMAND ${name} --gtest_shuffle)
  set_tests_properties(${name}.whole PROPERTIES TIMEOUT 300)
endfunction()

function(chimely_tests name)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE chimely_testsupport ${ARG_LINK})
  # The test main sets CHIMELY_ROOT, CHIMELY_VIDEO, CHIMELY_AUDIO, CHIMELY_BUILD and CHIMELY_SOURCE.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  chimely_whole_test(${name})
endfunction()

# A command-line program under tools/.
function(chimely_tool name)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LINK})
endfunction()

# Copies programs into a folder of the device tree, each as <name> from <target>, and appends the
# files to the list variable `out`. A program is copied beside its place and renamed over it, so
# one that is running keeps its old file.
function(chimely_device_programs out dir)
  set(files ${${out}})
  foreach(program ${ARGN})
    string(REPLACE ":" ";" program ${program})
    list(GET program 0 name)
    list(GET program 1 target)
    add_custom_command(OUTPUT "${dir}/${name}"
                       COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> "${dir}/${name}.new"
                       COMMAND ${CMAKE_COMMAND} -E rename "${dir}/${name}.new" "${dir}/${name}"
                       DEPENDS ${target} VERBATIM)
    list(APPEND files "${dir}/${name}")
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
