# 32-bit Windows: the architecture the client ships for.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVC_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
