# kelvra_product_names(<id> <prefix>): the names of a build for product <id> ("0x3270"), in
# <prefix>_HEX (four upper-case hex digits), <prefix>_LIBRARY, <prefix>_MODEL and
# <prefix>_PACKAGE; <prefix>_ERROR is set (and the rest empty) when <id> is not 0x followed by
# 1 to 4 hex digits. Usable in script mode (cmake -P) as well.
#
#   product id   library                  device names      pkg-config module
#   0x3270       KelvraSdk_K4SWIR_TEC     KelvraK4SWIRTEC   KelvraSdk
#   0x3180       KelvraSdk_P3180          KelvraP3180       KelvraSdk_P3180
function(kelvra_product_names id prefix)
  foreach(field HEX LIBRARY MODEL PACKAGE ERROR)
    set(${prefix}_${field} "" PARENT_SCOPE)
  endforeach()
  string(TOUPPER "${id}" upper)
  if(NOT upper MATCHES "^0X([0-9A-F]?[0-9A-F]?[0-9A-F]?[0-9A-F])$")
    set(${prefix}_ERROR "KELVRA_PRODUCT_ID must be 0x followed by 1 to 4 hex digits" PARENT_SCOPE)
    return()
  endif()
  set(digits "000${CMAKE_MATCH_1}")
  string(LENGTH "${digits}" length)
  math(EXPR start "${length} - 4")
  string(SUBSTRING "${digits}" ${start} 4 hex)
  if(hex STREQUAL "3270")
    set(${prefix}_LIBRARY KelvraSdk_K4SWIR_TEC PARENT_SCOPE)
    set(${prefix}_MODEL KelvraK4SWIRTEC PARENT_SCOPE)
    set(${prefix}_PACKAGE KelvraSdk PARENT_SCOPE)
  else()
    set(${prefix}_LIBRARY KelvraSdk_P${hex} PARENT_SCOPE)
    set(${prefix}_MODEL KelvraP${hex} PARENT_SCOPE)
    set(${prefix}_PACKAGE KelvraSdk_P${hex} PARENT_SCOPE)
  endif()
  set(${prefix}_HEX ${hex} PARENT_SCOPE)
endfunction()
