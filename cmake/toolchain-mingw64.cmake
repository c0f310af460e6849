# Cross-compiles for Windows x64 with mingw-w64 (posix thread model). The C and C++ runtimes
# and winpthread are linked statically, so the .exe and .dll files import only Windows
# system DLLs. Programs built here run under Wine through scripts/wine-run.sh, which CTest
# uses as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(ZENTA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZENTA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZENTA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZENTA_MINGW_TRIPLE}-windres)

# Headers, libraries and packages come from the mingw-w64 sysroot only, never from the
# host's /usr/include or /usr/lib; host programs (code generators, Wine) stay findable.
set(CMAKE_FIND_ROOT_PATH /usr/${ZENTA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

get_filename_component(_zenta_wine_run "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_zenta_wine_run}")
