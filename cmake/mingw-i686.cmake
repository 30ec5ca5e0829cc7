# The toolchain file for Windows on i686 (cmake/mingw.cmake).
set(QUARVEL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
