# The browser build: frostel.js and frostel.wasm, the default data packed beside them, and our own page.
# build-web/index.html is the page; the folder is static and can be served as it is.
include(${CMAKE_SOURCE_DIR}/cmake/host_data.cmake)

# The data goes into its own package (what --preload-file makes), with its file list apart from the loader,
# so the same page and code can be served with other data: the browser tests do that with files they write.
set(web_stage ${CMAKE_BINARY_DIR}/data-package)
find_program(FROSTEL_FILE_PACKAGER file_packager.py PATHS ${EMSCRIPTEN_ROOT_PATH}/tools NO_DEFAULT_PATH REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_target(frostel_data_package ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${web_stage}
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}
          ${Python3_EXECUTABLE} ${FROSTEL_FILE_PACKAGER} ${web_stage}/frostel.data --preload data
          --js-output=${web_stage}/frostel-data.js --separate-metadata --no-node
  # Only a changed package touches the files, so an unchanged one does not relink the program.
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_stage}/frostel.data ${web_stage}/frostel-data.js
          ${web_stage}/frostel-data.js.metadata ${CMAKE_BINARY_DIR}
  COMMENT "Packing data/ for the page"
  VERBATIM)
add_dependencies(frostel_data_package frostel_data_copy)

add_executable(frostel app/main_posix.cpp)
target_link_libraries(frostel PRIVATE frostel_core frostel_platform_web frostel_tick_web)
target_compile_options(frostel PRIVATE ${FROSTEL_WARNINGS})
add_dependencies(frostel frostel_data_package)
target_link_options(frostel PRIVATE
  # At -O3 this emcc shortens the import names in the JavaScript but not in the wasm; -O2 keeps them whole.
  -O2
  # GL is our own subset over WebGL 1 (platform/web_gl*), not the toolchain's emulation.
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  # The demo keeps its own busy loop: the layer hands the browser its turn at each frame.
  -sASYNCIFY -sASYNCIFY_IMPORTS=[waitForAnimationFrame]
  # One instance per run, each on a fresh canvas: the page can start the demo again after Escape.
  -sMODULARIZE=1 -sEXPORT_NAME=createFrostel -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1
  -sEXPORTED_RUNTIME_METHODS=[FS_createPath,FS_createDataFile,FS_createPreloadedFile,addRunDependency,removeRunDependency]
  --pre-js ${CMAKE_BINARY_DIR}/frostel-data.js)
set_target_properties(frostel PROPERTIES LINK_DEPENDS ${CMAKE_BINARY_DIR}/frostel-data.js)

# emcc's own page needs an HTML minifier Debian lacks; ours is plain files.
set(web_page_files index.html page.js page.css)
list(TRANSFORM web_page_files PREPEND ${CMAKE_SOURCE_DIR}/web/)
add_custom_target(frostel_page ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_page_files} ${CMAKE_BINARY_DIR}
  COMMENT "The page beside frostel.js"
  VERBATIM)
