# Windows build settings: Unicode Win32 API, a Windows 7 API level, and the
# MinGW C++ runtime DLLs copied beside the binaries (C++ objects cross the
# exe/DLL boundary, so every module shares one runtime).
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0601 WINVER=0x0601)

if(NOT ORVC_WINDOWS_DEPS)
  message(FATAL_ERROR "ORVC_WINDOWS_DEPS is not set: run scripts/setup-windows-deps "
                      "and pass its prefix with -DORVC_WINDOWS_DEPS=...")
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(ORVC_GCC_DLL libgcc_s_dw2-1.dll)
else()
  set(ORVC_GCC_DLL libgcc_s_seh-1.dll)
endif()

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE _stdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${ORVC_GCC_DLL}
                OUTPUT_VARIABLE _gccdll OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(ORVC_WINPTHREAD_DLL libwinpthread-1.dll
          PATHS /usr/${ORVC_MINGW_TRIPLE}/lib /usr/${ORVC_MINGW_TRIPLE}/bin
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(ORVC_RUNTIME_DLLS ${_stdcxx} ${_gccdll} ${ORVC_WINPTHREAD_DLL})
foreach(_dll IN LISTS ORVC_RUNTIME_DLLS)
  if(NOT EXISTS "${_dll}")
    message(FATAL_ERROR "MinGW runtime DLL not found: ${_dll}")
  endif()
  file(COPY "${_dll}" DESTINATION "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endforeach()
