# Fails unless scripts/package, run in a copy of the tree SOURCE in a folder whose path has a space, gives the
# bytes of DEB, the package built from SOURCE where it is: where a tree is built must not change the package.
cmake_minimum_required(VERSION 3.16)
# cmake -DSOURCE= -DDEB= -DWORK= -P check_reproducible.cmake

if(NOT EXISTS "${DEB}")
  message(FATAL_ERROR "No package at '${DEB}': run scripts/package")
endif()
file(REMOVE_RECURSE "${WORK}")
set(copy "${WORK}/a folder with spaces/frostel")
file(MAKE_DIRECTORY "${copy}")
# The tree without its history and its build folders.
file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE}" "${SOURCE}/*")
foreach(entry IN LISTS entries)
  if(NOT entry STREQUAL ".git" AND NOT entry MATCHES "^build")
    file(COPY "${SOURCE}/${entry}" DESTINATION "${copy}")
  endif()
endforeach()

# The copy's package is configured with the homepage and the maintainer that DEB was built with.
foreach(field Homepage Maintainer)
  execute_process(COMMAND dpkg-deb --field "${DEB}" ${field} OUTPUT_VARIABLE ${field} OUTPUT_STRIP_TRAILING_WHITESPACE)
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -S "${copy}" -B "${copy}/build-deb" -DFROSTEL_TESTS=OFF
                        "-DFROSTEL_HOMEPAGE_URL=${Homepage}" "-DFROSTEL_PACKAGE_MAINTAINER=${Maintainer}"
                OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "configuring the copy failed: ${err}")
endif()
# Niced: it builds the whole tree while the other tests run.
execute_process(COMMAND nice -n 10 "${copy}/scripts/package" OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE failed
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(failed)
  message(FATAL_ERROR "scripts/package failed in '${copy}':\n${out}\n${err}")
endif()
string(REGEX MATCH "[^\n]+$" built "${out}")
set(built "${copy}/${built}")
file(SHA256 "${DEB}" expected)
file(SHA256 "${built}" got)
if(NOT got STREQUAL expected)
  # Name the files that differ, to say where the folder got in.
  foreach(side a b)
    file(MAKE_DIRECTORY "${WORK}/${side}")
  endforeach()
  execute_process(COMMAND dpkg-deb --raw-extract "${DEB}" "${WORK}/a")
  execute_process(COMMAND dpkg-deb --raw-extract "${built}" "${WORK}/b")
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${WORK}/a" "${WORK}/a/*")
  set(differ)
  foreach(f IN LISTS files)
    file(SHA256 "${WORK}/a/${f}" a)
    set(b none)
    if(EXISTS "${WORK}/b/${f}")
      file(SHA256 "${WORK}/b/${f}" b)
    endif()
    if(NOT a STREQUAL b)
      list(APPEND differ "${f}")
    endif()
  endforeach()
  message(FATAL_ERROR "the package built in '${copy}' differs from ${DEB}; files that differ: ${differ}")
endif()
file(REMOVE_RECURSE "${WORK}")
message(STATUS "built in a folder with a space in its path, the package has the same bytes")
