# Cross build for 64-bit Windows. It exists so the Windows backend and its
# tests can run under 64-bit Wine on hosts that cannot execute 32-bit code;
# the shipped setup.exe comes from the i686 build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
