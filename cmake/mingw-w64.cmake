# Cross-building Brambix for 64-bit Windows with Debian's mingw-w64 (posix threads).
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DBRAMBIX_WINDOWS_LIBS=<prefix> ...
#
# BRAMBIX_WINDOWS_LIBS is the prefix holding the static SDL3, SDL3_image, SDL3_ttf and
# FreeType built for Windows (scripts/build-windows.sh makes it). Programs built here
# that the build runs (pixelart, pixelicon, playertexts) and the tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BRAMBIX_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${BRAMBIX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRAMBIX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${BRAMBIX_MINGW}-windres)

# Passed on to try_compile projects, which read the toolchain file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRAMBIX_WINDOWS_LIBS)
set(CMAKE_FIND_ROOT_PATH /usr/${BRAMBIX_MINGW} ${BRAMBIX_WINDOWS_LIBS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe that needs no DLL beside it: the C and C++ runtimes and winpthreads inside.
# No link time in its header, so that every build of the same source is the same file.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

find_program(BRAMBIX_WINE NAMES wine wine64)
if(BRAMBIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BRAMBIX_WINE})
endif()
