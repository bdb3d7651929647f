# CTest runs each GoogleTest case in a process of its own, which hides cases that lean on what
# an earlier case left behind. This adds one more run of the whole binary in shuffled order.
function(frostel_whole_shuffled_run target)
  cmake_parse_arguments(run "" "WORKING_DIRECTORY" "ARGS;PROPERTIES" ${ARGN})
  if(NOT run_WORKING_DIRECTORY)
    set(run_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  # Seed 0 takes the time, so each run tries another order; GoogleTest prints the seed it used.
  add_test(NAME ${target}.whole_shuffled COMMAND ${target} --gtest_shuffle --gtest_random_seed=0 ${run_ARGS}
           WORKING_DIRECTORY ${run_WORKING_DIRECTORY})
  set_tests_properties(${target}.whole_shuffled PROPERTIES TIMEOUT 600 ${run_PROPERTIES})
endfunction()
