# The page's service worker for one site folder: web/sw.js with every served file's SHA-256 and a version made
# from all of them, so any change to any file is a new version that replaces the old one whole.
#   cmake -DSITE=<site folder> -DWORKER=<web/sw.js> -P web_offline.cmake
# The music is listed only where the site has it.
cmake_minimum_required(VERSION 3.16)
set(kept index.html page.js page.css frostel.js frostel.wasm frostel.data frostel-data.js.metadata
         manifest.webmanifest icons/frostel-192.png icons/frostel-512.png icons/frostel-maskable-192.png
         icons/frostel-maskable-512.png)
# The music the page fetches first is kept at install when it can be; the WAV (for a browser that cannot decode
# the MP3) once a page fetches it.
set(early data/music.mp3)
set(when_fetched data/music.wav)

set(listed "")
set(all_hashes "")
foreach(name IN LISTS kept early when_fetched)
  if(NOT EXISTS "${SITE}/${name}")
    if(name IN_LIST kept)
      message(FATAL_ERROR "${SITE}/${name} is missing: the worker would keep an incomplete page")
    endif()
    continue()
  endif()
  file(SHA256 "${SITE}/${name}" hash)
  set(when kept)
  if(name IN_LIST early)
    set(when early)
  elseif(name IN_LIST when_fetched)
    set(when fetched)
  endif()
  string(APPEND listed "\n    '${name}': {sha256: '${hash}', keep: '${when}'},")
  string(APPEND all_hashes "${name} ${hash}\n")
endforeach()
string(SHA256 version "${all_hashes}")
string(SUBSTRING "${version}" 0 16 version)

file(READ "${WORKER}" text)
set(placeholder "var SITE = {version: 'unbuilt', files: {}};")
string(FIND "${text}" "${placeholder}" at)
if(at LESS 0)
  message(FATAL_ERROR "${WORKER} has no line '${placeholder}'")
endif()
string(REPLACE "${placeholder}" "var SITE = {version: '${version}', files: {${listed}\n}};" text "${text}")
file(WRITE "${SITE}/sw.js" "${text}")
