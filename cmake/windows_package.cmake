# The Windows program's default data beside frostel.exe, its icon and version resources, and its release zip
# (cmake --build . --target package).

# The data and, as one more input, the icon come from a host build, as for the browser.
set(frostel_with_icons ON)
include(${CMAKE_SOURCE_DIR}/cmake/host_data.cmake)
if(CMAKE_CROSSCOMPILING)
  if(TARGET frostel_host_data)
    add_dependencies(frostel frostel_host_data)  # the resource script takes the icon it draws
  endif()
else()
  # A native build (MSVC) draws the icon with its own frostel-assets.
  set(frostel_icons_from ${FROSTEL_ICON_DIR})
  add_dependencies(frostel frostel_icons)
endif()

# Only the file gets our icon: the window class keeps its stock one.
set(FROSTEL_ICO ${frostel_icons_from}/frostel.ico)
enable_language(RC)
set(FROSTEL_RC_FILE frostel.exe)
set(FROSTEL_RC_INTERNAL frostel)
set(FROSTEL_RC_DESCRIPTION "Frostel winter scene")
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/frostel.rc.in ${CMAKE_BINARY_DIR}/frostel.rc @ONLY)
target_sources(frostel PRIVATE ${CMAKE_BINARY_DIR}/frostel.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/frostel.rc PROPERTIES OBJECT_DEPENDS ${FROSTEL_ICO})
# The screen saver: the same icon and version, under its own file name, with its settings box.
set(FROSTEL_RC_FILE frostel.scr)
set(FROSTEL_RC_INTERNAL frostel-saver)
set(FROSTEL_RC_DESCRIPTION "Frostel screen saver")
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/frostel.rc.in ${CMAKE_BINARY_DIR}/frostel-scr-version.rc @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/frostel-saver.rc.in ${CMAKE_BINARY_DIR}/frostel-saver.rc @ONLY)
target_sources(frostel-scr PRIVATE ${CMAKE_BINARY_DIR}/frostel-saver.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/frostel-saver.rc PROPERTIES OBJECT_DEPENDS
                            "${FROSTEL_ICO};${CMAKE_BINARY_DIR}/frostel-scr-version.rc")
if(TARGET frostel_host_data)
  add_dependencies(frostel-scr frostel_host_data)
elseif(TARGET frostel_icons)
  add_dependencies(frostel-scr frostel_icons)
endif()

# Only Windows' own DLLs beside the exe: MSVC's C and C++ runtimes go in statically as well.
set_target_properties(frostel frostel-scr frostel_core PROPERTIES MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")

# The zip unpacks to frostel.exe with data/ beside it, so a double-click finds its data.
install(TARGETS frostel frostel-scr RUNTIME DESTINATION .)
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
