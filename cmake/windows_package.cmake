# The Windows program's default data beside frostel.exe, its icon and version resources, and its release zip
# (cmake --build . --target package).

# A cross build cannot run the host's data writer, so it ships the data and the icon that a host build wrote:
# the folders named here, or, for any left empty, a host build of this tree made for the purpose (it needs
# the host's compiler and the Linux build's packages).
set(FROSTEL_DATA_SOURCE "" CACHE PATH "Cross builds: a host build's data folder to ship (empty: build one here)")
set(FROSTEL_ICON_SOURCE "" CACHE PATH "Cross builds: a host build's icons folder, for frostel.ico (empty: build one here)")

if(CMAKE_CROSSCOMPILING)
  if(NOT FROSTEL_DATA_SOURCE OR NOT FROSTEL_ICON_SOURCE)
    include(ExternalProject)
    ExternalProject_Add(frostel_host_data
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/host
      CMAKE_ARGS -DFROSTEL_TESTS=OFF
      BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target frostel_data frostel_icons
      BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/host/icons/frostel.ico
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON)
  endif()
  set(frostel_data_from ${CMAKE_BINARY_DIR}/host/data)
  if(FROSTEL_DATA_SOURCE)
    set(frostel_data_from ${FROSTEL_DATA_SOURCE})
  endif()
  set(frostel_icons_from ${CMAKE_BINARY_DIR}/host/icons)
  if(FROSTEL_ICON_SOURCE)
    set(frostel_icons_from ${FROSTEL_ICON_SOURCE})
  endif()
  # Copied afresh at every build (a few small files), so no stale or extra file is ever shipped.
  add_custom_target(frostel_data_copy ALL
    COMMAND ${CMAKE_COMMAND} -DFROM=${frostel_data_from} -DTO=${FROSTEL_DATA_DIR}
            -P ${CMAKE_SOURCE_DIR}/cmake/copy_data.cmake
    COMMENT "Default data beside frostel.exe"
    VERBATIM)
  if(TARGET frostel_host_data)
    add_dependencies(frostel_data_copy frostel_host_data)
    add_dependencies(frostel frostel_host_data)
  endif()
else()
  # A native build (MSVC) draws the icon with its own frostel-assets.
  set(frostel_icons_from ${FROSTEL_ICON_DIR})
  add_dependencies(frostel frostel_icons)
endif()

# Only the file gets our icon: the window class keeps its stock one.
set(FROSTEL_ICO ${frostel_icons_from}/frostel.ico)
enable_language(RC)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/frostel.rc.in ${CMAKE_BINARY_DIR}/frostel.rc @ONLY)
target_sources(frostel PRIVATE ${CMAKE_BINARY_DIR}/frostel.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/frostel.rc PROPERTIES OBJECT_DEPENDS ${FROSTEL_ICO})

# Only Windows' own DLLs beside the exe: MSVC's C and C++ runtimes go in statically as well.
set_target_properties(frostel frostel_core PROPERTIES MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")

# The zip unpacks to frostel.exe with data/ beside it, so a double-click finds its data.
install(TARGETS frostel RUNTIME DESTINATION .)
install(DIRECTORY ${FROSTEL_DATA_DIR}/ DESTINATION data)
# Notepad of older Windows wants CR LF.
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Frostel)
set(CPACK_PACKAGE_VENDOR Frostel)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_PACKAGE_FILE_NAME frostel-windows-x64)
else()
  set(CPACK_PACKAGE_FILE_NAME frostel-windows-x86)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
