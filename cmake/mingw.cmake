# Cross-compiling the Windows program with MinGW-w64 (Debian's
# g++-mingw-w64-*-posix). JC_MINGW_ARCH picks the target:
#   i686    (default) the 32-bit program, the one a pharmacy runs: the
#           pharmacy's crypto module is a 32-bit stdcall DLL, and a process
#           loads DLLs of its own bitness only;
#   x86_64  the same sources as a 64-bit program.
# Everything is linked statically, so the .exe (and our module) needs no
# MinGW DLL beside it.
set(JC_MINGW_ARCH "i686" CACHE STRING "MinGW target: i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${JC_MINGW_ARCH})
set(triple ${JC_MINGW_ARCH}-w64-mingw32)

# The "posix" thread model: std::thread, std::mutex and their kin, as on Linux.
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows 7 and later: the API set every function used here needs.
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
