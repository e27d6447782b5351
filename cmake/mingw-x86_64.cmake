# Windows, 64-bit: the same sources, for running the suite under Wine on hosts
# that cannot start 32-bit Linux programs (Wine's 32-bit loader is one), such
# as sandboxed kernels without the 32-bit system call layer.
set(TZO_MINGW x86_64-w64-mingw32)
set(TZO_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-comun.cmake)
