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
# The saver carries the default data too, for when it is copied somewhere alone; the setup program installs the
# same files by name. Both lists are written from the build's data/ once it is there.
set(frostel_saver_data_rc ${CMAKE_BINARY_DIR}/frostel-saver-data.rc)
set(frostel_setup_data_nsh ${CMAKE_BINARY_DIR}/frostel-data-files.nsh)
add_custom_target(frostel_data_lists
  COMMAND ${CMAKE_COMMAND} -DDATA=${FROSTEL_DATA_DIR} -DRC=${frostel_saver_data_rc} -DNSH=${frostel_setup_data_nsh}
          -DIDS=${CMAKE_SOURCE_DIR}/app/saver_resources.h -P ${CMAKE_SOURCE_DIR}/cmake/windows_data_lists.cmake
  BYPRODUCTS ${frostel_saver_data_rc} ${frostel_setup_data_nsh}
  COMMENT "Default data lists for frostel.scr and the setup program"
  VERBATIM)
if(TARGET frostel_data_copy)
  add_dependencies(frostel_data_lists frostel_data_copy)
elseif(TARGET frostel_data)
  add_dependencies(frostel_data_lists frostel_data)
endif()
add_dependencies(frostel-scr frostel_data_lists)
set_source_files_properties(${CMAKE_BINARY_DIR}/frostel-saver.rc PROPERTIES OBJECT_DEPENDS
                            "${FROSTEL_ICO};${CMAKE_BINARY_DIR}/frostel-scr-version.rc;${frostel_saver_data_rc}")
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

# The setup program beside the zip (cmake --build . --target setup), made by NSIS's makensis: Debian's nsis.
find_program(FROSTEL_MAKENSIS makensis DOC "NSIS's compiler, for the setup program")
set(FROSTEL_SETUP ${CMAKE_BINARY_DIR}/frostel-setup-${PROJECT_VERSION}.exe)
if(FROSTEL_MAKENSIS)
  add_custom_target(setup
    COMMAND ${FROSTEL_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DYEAR=${FROSTEL_COPYRIGHT_YEAR}
            -DBUILD=${CMAKE_BINARY_DIR} -DICON=${FROSTEL_ICO} -DOUTFILE=${FROSTEL_SETUP}
            ${CMAKE_SOURCE_DIR}/packaging/windows/frostel-setup.nsi
    BYPRODUCTS ${FROSTEL_SETUP}
    COMMENT "Setup program ${FROSTEL_SETUP}"
    VERBATIM)
  add_dependencies(setup frostel frostel-scr frostel_data_lists)
else()
  add_custom_target(setup
    COMMAND ${CMAKE_COMMAND} -E echo "The setup program needs makensis (Debian: nsis)."
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
