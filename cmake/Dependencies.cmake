# The C libraries come as static MinGW builds: zlib from Debian's package, libpng, libjpeg
# and libintl from scripts/bootstrap (into BRIMLET_DEPS_PREFIX).
function(brimlet_import name header lib)
  find_path(${name}_INCLUDE_DIR ${header} REQUIRED)
  find_library(${name}_LIBRARY NAMES ${lib} REQUIRED)
  add_library(deps::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(deps::${name} PROPERTIES IMPORTED_LOCATION "${${name}_LIBRARY}"
                                                 INTERFACE_INCLUDE_DIRECTORIES "${${name}_INCLUDE_DIR}")
endfunction()

set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
brimlet_import(zlib zlib.h z)
brimlet_import(png png.h png16)
brimlet_import(jpeg jpeglib.h jpeg)
brimlet_import(intl libintl.h intl)
set_property(TARGET deps::png APPEND PROPERTY INTERFACE_LINK_LIBRARIES deps::zlib)
