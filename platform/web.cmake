# The Win32 subset over Emscripten for the browser build, with its GL and GLU mends; the tick counter apart.
add_library(frostel_platform_web STATIC
  ${frostel_platform_portable}
  glu_matrices.cpp
  wav_reader.cpp
  web_context.cpp
  web_gl.cpp
  web_keys.cpp
  web_message_box.cpp
  web_messages.cpp
  web_sound.cpp
  web_window.cpp
)
target_include_directories(frostel_platform_web PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
target_compile_options(frostel_platform_web PRIVATE ${FROSTEL_WARNINGS})
# EM_JS bodies are JavaScript that clang only carries through.
set_source_files_properties(web_context.cpp web_gl.cpp web_messages.cpp web_sound.cpp web_window.cpp
                            web_message_box.cpp
                            PROPERTIES COMPILE_OPTIONS "-Wno-dollar-in-identifier-extension;-Wno-gnu-zero-variadic-macro-arguments")

add_library(frostel_tick_web STATIC web_tick.cpp)
target_include_directories(frostel_tick_web PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
target_compile_options(frostel_tick_web PRIVATE ${FROSTEL_WARNINGS})
