# The Windows program's default data beside frostel.exe, and its release zip (cmake --build . --target package).

include(${CMAKE_SOURCE_DIR}/cmake/host_data.cmake)

# Only Windows' own DLLs beside the exe: MSVC's C and C++ runtimes go in statically as well.
set_target_properties(frostel frostel_core PROPERTIES MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")

# The zip unpacks to frostel.exe with data/ beside it, so a double-click finds its data.
install(TARGETS frostel RUNTIME DESTINATION .)
install(DIRECTORY ${FROSTEL_DATA_DIR}/ DESTINATION data)

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
