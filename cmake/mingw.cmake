# Cross-compiling for Windows with the "posix" thread flavour of mingw-w64
# (std::mutex and std::thread need it), everything linked statically, zlib from the
# mingw tree (package libz-mingw-w64-dev).
# The processor is QUARVEL_MINGW_ARCH (i686 or x86_64), set by mingw-i686.cmake or
# mingw-x86_64.cmake, which include this file.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUARVEL_MINGW_ARCH)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUARVEL_MINGW_ARCH})
set(CMAKE_C_COMPILER ${QUARVEL_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARVEL_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${QUARVEL_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUARVEL_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The static zlib, not its import library.
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${QUARVEL_MINGW_ARCH}-w64-mingw32/lib/libz.a CACHE FILEPATH "zlib for Windows")
set(ZLIB_INCLUDE_DIR /usr/${QUARVEL_MINGW_ARCH}-w64-mingw32/include CACHE PATH "zlib headers for Windows")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 UNICODE _UNICODE)
