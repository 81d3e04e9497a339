# The names of a build for each kind of product id: cmake -DSOURCE_DIR=<repository> -P <this>.
include(${SOURCE_DIR}/cmake/ProductNames.cmake)

function(expect id hex library model package)
  kelvra_product_names("${id}" got)
  if(NOT "${got_HEX};${got_LIBRARY};${got_MODEL};${got_PACKAGE}" STREQUAL
     "${hex};${library};${model};${package}" OR got_ERROR)
    message(FATAL_ERROR "${id}: ${got_HEX};${got_LIBRARY};${got_MODEL};${got_PACKAGE} ${got_ERROR}")
  endif()
endfunction()

expect(0x3270 3270 KelvraSdk_K4SWIR_TEC KelvraK4SWIRTEC KelvraSdk)
expect(0X3270 3270 KelvraSdk_K4SWIR_TEC KelvraK4SWIRTEC KelvraSdk)
expect(0x3180 3180 KelvraSdk_P3180 KelvraP3180 KelvraSdk_P3180)
expect(0x31e0 31E0 KelvraSdk_P31E0 KelvraP31E0 KelvraSdk_P31E0)
expect(0x9 0009 KelvraSdk_P0009 KelvraP0009 KelvraSdk_P0009)

foreach(bad 3270 0x 0x13270 0x32G0 "")
  kelvra_product_names("${bad}" got)
  if(NOT got_ERROR OR got_LIBRARY)
    message(FATAL_ERROR "'${bad}' was taken as a product id")
  endif()
endforeach()
