# Shared part of the MinGW-w64 toolchains: cross-compiles for Windows with the
# posix-threads compilers (the win32-threads ones lack std::mutex, which
# GoogleTest needs) and links everything statically, so each program is one
# .exe needing no DLL beyond Windows' own. Tests run under Wine through the
# cross-compiling emulator. Expects TZO_MINGW (the triplet) and TZO_WINE (the
# Wine loader that runs this architecture) to be set by the including file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${TZO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TZO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TZO_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TZO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# wine.sh keeps its own prefix inside the build folder (never the user's
# ~/.wine) and creates it on first use.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine.sh ${TZO_WINE}
                                   ${CMAKE_BINARY_DIR}/wineprefix)
