# Cross builds (Windows, the browser): the default data a host build wrote, copied into this build's data/, and,
# where the includer sets frostel_with_icons first (Windows), the icons that build drew, in frostel_icons_from.

# A cross build cannot run the host's data writer, so it ships what a host build wrote: the folders named here,
# or, for any left empty, a host build of this tree made for the purpose (it needs the host's compiler and the
# Linux build's packages).
set(FROSTEL_DATA_SOURCE "" CACHE PATH "Cross builds: a host build's data folder to ship (empty: build one here)")
if(frostel_with_icons)
  set(FROSTEL_ICON_SOURCE "" CACHE PATH "Cross builds: a host build's icons folder, for frostel.ico (empty: build one here)")
endif()

if(CMAKE_CROSSCOMPILING)
  set(frostel_data_from ${FROSTEL_DATA_SOURCE})
  set(frostel_icons_from ${FROSTEL_ICON_SOURCE})
  set(frostel_host_targets)
  set(frostel_host_byproducts)
  if(NOT FROSTEL_DATA_SOURCE)
    list(APPEND frostel_host_targets frostel_data)
    set(frostel_data_from ${CMAKE_BINARY_DIR}/host/data)
    # The page's build encodes the music from it.
    list(APPEND frostel_host_byproducts ${frostel_data_from}/music.wav)
  endif()
  if(frostel_with_icons AND NOT FROSTEL_ICON_SOURCE)
    list(APPEND frostel_host_targets frostel_icons)
    set(frostel_icons_from ${CMAKE_BINARY_DIR}/host/icons)
    list(APPEND frostel_host_byproducts ${frostel_icons_from}/frostel.ico)
  endif()
  if(frostel_host_targets)
    include(ExternalProject)
    ExternalProject_Add(frostel_host_data
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/host
      CMAKE_ARGS -DFROSTEL_TESTS=OFF
      BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${frostel_host_targets}
      BUILD_BYPRODUCTS ${frostel_host_byproducts}
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON)
  endif()
  # Copied afresh at every build (a few small files), so no stale or extra file is ever shipped.
  add_custom_target(frostel_data_copy ALL
    COMMAND ${CMAKE_COMMAND} -DFROM=${frostel_data_from} -DTO=${FROSTEL_DATA_DIR}
            -P ${CMAKE_SOURCE_DIR}/cmake/copy_data.cmake
    COMMENT "Default data in the build folder"
    VERBATIM)
  if(TARGET frostel_host_data)
    add_dependencies(frostel_data_copy frostel_host_data)
  endif()
endif()
