# The product this build of the library serves: its USB product id, and the names that follow
# from it (ProductNames.cmake). The default, 0x3270, is the K4 SWIR TEC camera and keeps its
# historical names; any other product of the camera line gets names built from its id
# ("P3180" for 0x3180), so that libraries of several products can be installed side by side;
# its settings go under Software\Norlux\<device name>3Q6Sdk.
#
# Sets KELVRA_PRODUCT_HEX (four upper-case hex digits), KELVRA_LIBRARY_NAME, KELVRA_MODEL_NAME
# and KELVRA_PACKAGE_NAME (the pkg-config module), and writes product/ProductNames.h.
set(KELVRA_PRODUCT_ID 0x3270 CACHE STRING
    "USB product id of the camera the library serves (0x3270: K4 SWIR TEC)")

include(${CMAKE_CURRENT_LIST_DIR}/ProductNames.cmake)
kelvra_product_names("${KELVRA_PRODUCT_ID}" KELVRA_PRODUCT)
if(KELVRA_PRODUCT_ERROR)
  message(FATAL_ERROR "${KELVRA_PRODUCT_ERROR}")
endif()
set(KELVRA_LIBRARY_NAME ${KELVRA_PRODUCT_LIBRARY})
set(KELVRA_MODEL_NAME ${KELVRA_PRODUCT_MODEL})
set(KELVRA_PACKAGE_NAME ${KELVRA_PRODUCT_PACKAGE})
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
