# Cross-build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads flavour,
# needed for std::thread and std::mutex). Used by scripts/build-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FS_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FS_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FS_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${FS_MINGW_TRIPLET}-windres)
# Keeps roots given on the command line (the wxMSW prefix of scripts/build-windows).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${FS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Self-contained programs: no libstdc++/libgcc/libwinpthread DLLs to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# localtime_r and gmtime_r, which MinGW-w64 declares only on request; and the
# C99 printf family (%zu, %lld, the same rounding as on Linux) instead of the
# system C runtime's own.
set(CMAKE_CXX_FLAGS_INIT "-D_POSIX_THREAD_SAFE_FUNCTIONS -D__USE_MINGW_ANSI_STDIO=1")
