# The product this build of the library serves: its USB product id, and the names that follow
# from it. The default, 0x3270, is the K4 SWIR TEC camera and keeps its historical names; any
# other product of the camera line gets names built from its id ("P3180" for 0x3180), so that
# libraries of several products can be installed side by side:
#
#   product id   library                  device names      settings key
#   0x3270       KelvraSdk_K4SWIR_TEC     KelvraK4SWIRTEC   Software\Norlux\KelvraK4SWIRTEC3Q6Sdk
#   0x3180       KelvraSdk_P3180          KelvraP3180       Software\Norlux\KelvraP31803Q6Sdk
#
# Sets KELVRA_PRODUCT_HEX (four upper-case hex digits), KELVRA_LIBRARY_NAME, KELVRA_MODEL_NAME
# and KELVRA_PACKAGE_NAME (the pkg-config module), and writes product/ProductNames.h.
set(KELVRA_PRODUCT_ID 0x3270 CACHE STRING
    "USB product id of the camera the library serves (0x3270: K4 SWIR TEC)")

string(TOUPPER "${KELVRA_PRODUCT_ID}" product_upper)
if(NOT product_upper MATCHES "^0X([0-9A-F]?[0-9A-F]?[0-9A-F]?[0-9A-F])$")
  message(FATAL_ERROR "KELVRA_PRODUCT_ID must be 0x followed by 1 to 4 hex digits")
endif()
set(product_digits "000${CMAKE_MATCH_1}")
string(LENGTH "${product_digits}" product_length)
math(EXPR product_start "${product_length} - 4")
string(SUBSTRING "${product_digits}" ${product_start} 4 KELVRA_PRODUCT_HEX)

if(KELVRA_PRODUCT_HEX STREQUAL "3270")
  set(KELVRA_LIBRARY_NAME KelvraSdk_K4SWIR_TEC)
  set(KELVRA_MODEL_NAME KelvraK4SWIRTEC)
  set(KELVRA_PACKAGE_NAME KelvraSdk)
else()
  set(KELVRA_LIBRARY_NAME KelvraSdk_P${KELVRA_PRODUCT_HEX})
  set(KELVRA_MODEL_NAME KelvraP${KELVRA_PRODUCT_HEX})
  set(KELVRA_PACKAGE_NAME KelvraSdk_P${KELVRA_PRODUCT_HEX})
endif()
message(STATUS "Kelvra product 0x${KELVRA_PRODUCT_HEX}: library ${KELVRA_LIBRARY_NAME}")

set(KELVRA_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProductNames.h.in
               ${KELVRA_GENERATED_DIR}/product/ProductNames.h @ONLY)

# kelvra_product_object(<hex>): the object library kelvra_product_<hex>_obj, whose one function
# BuildProductId() answers 0x<hex>. The front asks it which product it serves. The shared
# library links the configured product's; a test program that adds another product's objects
# to its sources drives the same compiled layers as that product.
function(kelvra_product_object hex)
  set(obj kelvra_product_${hex}_obj)
  if(TARGET ${obj})
    return()
  endif()
  add_library(${obj} OBJECT ${PROJECT_SOURCE_DIR}/src/product/BuildProduct.cpp)
  target_compile_definitions(${obj} PRIVATE KELVRA_PRODUCT_ID=0x${hex})
  target_compile_options(${obj} PRIVATE ${KELVRA_WARNINGS})
  target_include_directories(${obj} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endfunction()
