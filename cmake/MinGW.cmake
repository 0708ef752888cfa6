# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix flavour: std::thread and
# std::mutex need it). Use: cmake -S . -B build-windows --toolchain cmake/MinGW.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SKYRELLE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SKYRELLE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SKYRELLE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SKYRELLE_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# One program file with no DLL of ours beside it: the C++ runtime and winpthreads go inside.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Headers and libraries for Windows only from the compiler's own folder and the third-party
# prefix the build adds; programs still come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${SKYRELLE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
