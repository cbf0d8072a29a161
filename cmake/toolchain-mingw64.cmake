# Cross-builds the Windows program with mingw-w64 (64-bit). The -posix
# compilers carry the winpthreads runtime that std::thread and std::atomic
# need; the runtime libraries are linked statically so velmara.exe runs alone
# and a DLL built here needs no runtime DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

# The importer's libraries, cross-built from Debian's sources by
# scripts/build-windows-deps, live in a prefix of their own (the build tree's
# deps/ unless VELMARA_WINDOWS_DEPS names another). They are found there and
# through their own pkg-config files only: the build machine's .pc files
# describe Linux libraries.
if(NOT VELMARA_WINDOWS_DEPS)
  set(VELMARA_WINDOWS_DEPS ${CMAKE_BINARY_DIR}/deps)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMARA_WINDOWS_DEPS)
set(ENV{PKG_CONFIG_LIBDIR} ${VELMARA_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix} ${VELMARA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(VELMARA_PLATFORM win32 CACHE STRING "Backend to build: win32, linux or headless")
