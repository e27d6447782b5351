# Windows, 32-bit: the product build (TransZorvosOdrana.exe, transzorvos.exe).
set(TZO_MINGW i686-w64-mingw32)
set(TZO_WINE /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-comun.cmake)
