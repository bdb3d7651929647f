# For the test scripts: fails unless the PNG file FILE is WIDTH x HEIGHT pixels, as its header says.
function(expect_png_size file width height)
  file(READ "${file}" header OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${header}" 0 8 w)
  string(SUBSTRING "${header}" 8 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT w EQUAL width OR NOT h EQUAL height)
    message(FATAL_ERROR "${file} is ${w} x ${h}, not ${width} x ${height}")
  endif()
endfunction()

# The same for a square of SIZE x SIZE.
function(expect_square_png file size)
  expect_png_size("${file}" ${size} ${size})
endfunction()
