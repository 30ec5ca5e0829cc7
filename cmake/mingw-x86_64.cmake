# The toolchain file for Windows on x86_64 (cmake/mingw.cmake).
set(QUARVEL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
