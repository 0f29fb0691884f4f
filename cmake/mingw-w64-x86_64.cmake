# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model, for std::mutex and
# std::call_once). The results run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static runtime, so the test programs run in a fresh Wine prefix without copying DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# MinGW's zlib comes as libz.a and an import library of zlib1.dll; link the static one.
set(ZLIB_USE_STATIC_LIBS ON)

# The libraries scripts/windows-deps builds (Qt, libzip, pugixml, expat) live in one folder outside the
# work tree, named by TABROVA_WINDOWS_DEPS (a cache variable, or the environment).
if(NOT TABROVA_WINDOWS_DEPS AND DEFINED ENV{TABROVA_WINDOWS_DEPS})
  set(TABROVA_WINDOWS_DEPS "$ENV{TABROVA_WINDOWS_DEPS}")
endif()
if(TABROVA_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${TABROVA_WINDOWS_DEPS}")
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TABROVA_WINDOWS_DEPS)
endif()
# pkg-config must never hand the host's libraries to the cross build.
set(ENV{PKG_CONFIG_LIBDIR} "${TABROVA_WINDOWS_DEPS}/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
