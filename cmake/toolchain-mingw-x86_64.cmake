# 64-bit Windows: the same sources, built where Wine cannot run 32-bit
# programs (kernels without 32-bit emulation), so that the tests still run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVC_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
