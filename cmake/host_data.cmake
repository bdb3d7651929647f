# Cross builds (Windows, the browser): the default data a host build wrote, copied into this build's data/.

# A cross build cannot run the host's data writer, so it ships the data that a host build wrote: the folder
# named here, or, when none is named, a host build of this tree made for the purpose (it needs the host's
# compiler and the Linux build's packages).
set(FROSTEL_DATA_SOURCE "" CACHE PATH "Cross builds: a host build's data folder to ship (empty: build one here)")

if(CMAKE_CROSSCOMPILING)
  if(FROSTEL_DATA_SOURCE)
    set(frostel_data_from ${FROSTEL_DATA_SOURCE})
  else()
    include(ExternalProject)
    ExternalProject_Add(frostel_host_data
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/host
      CMAKE_ARGS -DFROSTEL_TESTS=OFF
      BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target frostel_data
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON)
    set(frostel_data_from ${CMAKE_BINARY_DIR}/host/data)
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

