# The browser build: frostel.js and frostel.wasm, the default data packed beside them, and our own page.
# build-web/index.html is the page; the folder is static and can be served as it is.
# The manifest's icons come from a host build, as the data does.
set(frostel_with_icons ON)
include(${CMAKE_SOURCE_DIR}/cmake/host_data.cmake)

# The scene's files go into one package (what --preload-file makes) with its file list beside it, so the same
# page and code can be served with other data: the browser tests do that with files they write. The page
# fetches both itself, to show their progress and to say plainly when one is missing.
find_program(FROSTEL_FILE_PACKAGER file_packager.py PATHS ${EMSCRIPTEN_ROOT_PATH}/tools NO_DEFAULT_PATH REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_target(frostel_data_package ALL
  COMMAND ${CMAKE_COMMAND} -DDATA=${FROSTEL_DATA_DIR} -DSTAGE=${CMAKE_BINARY_DIR}/data-package
          -DOUT=${CMAKE_BINARY_DIR} -DPACKAGER=${FROSTEL_FILE_PACKAGER} -DPYTHON=${Python3_EXECUTABLE}
          -P ${CMAKE_SOURCE_DIR}/cmake/web_data_package.cmake
  COMMENT "Packing the scene's files for the page"
  VERBATIM)
add_dependencies(frostel_data_package frostel_data_copy)

# The music comes after the first frame, as MP3: the one compressed format that decodeAudioData takes in
# every current browser engine. The WAV stays beside it for a browser that cannot decode the MP3.
find_program(FROSTEL_LAME lame REQUIRED)
set(web_music ${CMAKE_BINARY_DIR}/music-encoded/music.mp3)
add_custom_command(OUTPUT ${web_music}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/music-encoded
  COMMAND ${FROSTEL_LAME} --quiet --nohist --noreplaygain -b 128 ${frostel_data_from}/music.wav ${web_music}
  DEPENDS ${frostel_data_from}/music.wav
  COMMENT "Encoding the music for the page"
  VERBATIM)
# The data copy is made afresh at every build: the encoded music goes back into it each time.
add_custom_target(frostel_music ALL
  COMMAND ${CMAKE_COMMAND} -E copy ${web_music} ${FROSTEL_DATA_DIR}/music.mp3
  DEPENDS ${web_music}
  VERBATIM)
add_dependencies(frostel_music frostel_data_copy)

add_executable(frostel app/main_posix.cpp)
target_link_libraries(frostel PRIVATE frostel_core frostel_platform_web frostel_tick_web)
target_compile_options(frostel PRIVATE ${FROSTEL_WARNINGS})
target_compile_definitions(frostel PRIVATE FROSTEL_VERSION="${PROJECT_VERSION}")
target_link_options(frostel PRIVATE
  # At -O3 this emcc shortens the import names in the JavaScript but not in the wasm; -O2 keeps them whole.
  -O2
  # GL is our own subset over WebGL 1 (platform/web/web_gl*), not the toolchain's emulation.
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  # The demo keeps its own busy loop: the layer hands the browser its turn at each frame.
  -sASYNCIFY -sASYNCIFY_IMPORTS=[waitForAnimationFrame]
  # One instance per run, all on the page's one canvas and its one WebGL context: the page can start the demo again
  # after Escape.
  -sMODULARIZE=1 -sEXPORT_NAME=createFrostel -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1
  -sEXPORTED_RUNTIME_METHODS=[FS_createPath,FS_createDataFile,addRunDependency,removeRunDependency])

# emcc's own page needs an HTML minifier Debian lacks; ours is plain files.
set(web_page_files index.html page.js page.css manifest.webmanifest)
list(TRANSFORM web_page_files PREPEND ${CMAKE_SOURCE_DIR}/web/)
set(web_icons)
foreach(size ${FROSTEL_WEB_ICON_SIZES})
  list(APPEND web_icons ${frostel_icons_from}/frostel-${size}.png ${frostel_icons_from}/frostel-maskable-${size}.png)
endforeach()
# The install sheet's screenshots: the real scene, filmed by scripts/film.
set(web_screenshots ${CMAKE_SOURCE_DIR}/web/screenshots/wide.png ${CMAKE_SOURCE_DIR}/web/screenshots/narrow.png)
add_custom_target(frostel_page ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_page_files} ${CMAKE_BINARY_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_icons} ${CMAKE_BINARY_DIR}/icons
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/screenshots
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_screenshots} ${CMAKE_BINARY_DIR}/screenshots
  COMMENT "The page beside frostel.js"
  VERBATIM)
if(TARGET frostel_host_data)
  add_dependencies(frostel_page frostel_host_data)
endif()

# The offline worker last, once every file it lists is in place: its version is made from all of them.
add_custom_target(frostel_offline ALL
  COMMAND ${CMAKE_COMMAND} -DSITE=${CMAKE_BINARY_DIR} -DWORKER=${CMAKE_SOURCE_DIR}/web/sw.js
          -P ${CMAKE_SOURCE_DIR}/cmake/web_offline.cmake
  COMMENT "The offline worker, versioned by every file it keeps"
  VERBATIM)
add_dependencies(frostel_offline frostel frostel_page frostel_data_package frostel_music)
