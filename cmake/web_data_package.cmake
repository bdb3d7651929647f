# Packs the scene's files for the page: everything in DATA but the music, which the page fetches after the
# first frame (cmake -DDATA= -DSTAGE= -DOUT= -DPACKAGER= -DPYTHON= -P web_data_package.cmake).
# Writes OUT/frostel.data and OUT/frostel-data.js.metadata, the same bytes from the same files wherever built.
cmake_minimum_required(VERSION 3.16)

file(REMOVE_RECURSE "${STAGE}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${DATA}" "${DATA}/*")
# Named one by one in a fixed order: a folder would be packed in the order its file system lists it.
list(SORT files)
set(preload)
foreach(name ${files})
  if(NOT name MATCHES "^music\\.")
    get_filename_component(folder "${STAGE}/data/${name}" DIRECTORY)
    file(COPY "${DATA}/${name}" DESTINATION "${folder}")
    list(APPEND preload --preload data/${name})
  endif()
endforeach()

# The package's paths are those under the working directory, data/... as the program opens them.
execute_process(COMMAND "${PYTHON}" "${PACKAGER}" frostel.data ${preload} --js-output=frostel-data.js
                        --separate-metadata --no-node
                WORKING_DIRECTORY "${STAGE}" OUTPUT_QUIET ERROR_VARIABLE said RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "The file packager failed on ${STAGE}: ${said}")
endif()

# The packager names each package with a random identifier (for a cache the page does not use): the
# package's own digest in its place keeps the list the same for the same files.
file(READ "${STAGE}/frostel-data.js.metadata" metadata)
file(SHA256 "${STAGE}/frostel.data" digest)
string(REGEX REPLACE "^(........)(....)(....)(....)(............).*$" "\\1-\\2-\\3-\\4-\\5" identifier "${digest}")
string(REGEX REPLACE "\"package_uuid\": *\"[^\"]*\"" "\"package_uuid\":\"${identifier}\"" metadata "${metadata}")
file(WRITE "${STAGE}/frostel-data.js.metadata" "${metadata}")

# Only a changed package touches the files beside the page.
foreach(name frostel.data frostel-data.js.metadata)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${STAGE}/${name}" "${OUT}/${name}")
endforeach()
