# Toolchain for building the Windows (x86_64) programs on Debian with MinGW-w64.
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Uses the "-posix" flavour of the compilers (std::thread, std::mutex and friends work) and links
# libgcc, libstdc++ and winpthread statically, so the .exe files need no DLLs beside them.
# Programs built here (tests, generators) are run through Wine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZARN_MINGW_TRIPLET x86_64-w64-mingw32)

# Debian installs the POSIX-thread compilers under these names; the plain names are alternatives
# that may point at the win32-thread flavour.
find_program(CMAKE_C_COMPILER NAMES ${ZARN_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ZARN_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZARN_MINGW_TRIPLET}-windres REQUIRED)

# Headers and libraries come from the MinGW sysroot only; programs are looked up on the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZARN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no libgcc_s_seh-1.dll, libstdc++-6.dll or libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Built programs run under Wine: add_test(), gtest_discover_tests() and add_custom_command() steps
# whose COMMAND names an executable target are prefixed with CMAKE_CROSSCOMPILING_EMULATOR. Wine
# takes WINEPREFIX and WINEDEBUG from the environment of the build and of ctest.
find_program(ZARN_WINE_PROGRAM NAMES wine wine-stable wine64)
if(ZARN_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZARN_WINE_PROGRAM})
endif()
