# Cross-compiles for 64-bit Windows with the posix-thread MinGW-w64 compilers: the test build of
# machines that cannot run 32-bit code (see scripts/platform.sh). The program itself is 32-bit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT BRIMLET_DEPS_PREFIX)
  get_filename_component(BRIMLET_DEPS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../.deps/prefix-x86_64" ABSOLUTE)
endif()
set(BRIMLET_DEPS_PREFIX "${BRIMLET_DEPS_PREFIX}" CACHE PATH "MinGW builds of libpng, libjpeg and libintl")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${BRIMLET_DEPS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
