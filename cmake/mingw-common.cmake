# Shared part of the MinGW-w64 toolchain files: compilers with the posix thread
# model, resources through windres, and tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ORVC_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVC_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVC_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVC_MINGW_TRIPLE} ${ORVC_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest starts every Windows executable through the Wine runner, which keeps a
# private prefix inside the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVC_WINDOWS_DEPS)
