# Replaces the data folder TO with a copy of FROM (cmake -DFROM=... -DTO=... -P copy_data.cmake).
cmake_minimum_required(VERSION 3.16)

file(GLOB_RECURSE files LIST_DIRECTORIES false "${FROM}/*")
if(NOT files)
  message(FATAL_ERROR "No default data in '${FROM}'. Build the host tree first (its data/ is written by "
                      "frostel-assets), or point FROSTEL_DATA_SOURCE at a host build's data folder.")
endif()
file(REMOVE_RECURSE "${TO}")
file(COPY "${FROM}/" DESTINATION "${TO}")
