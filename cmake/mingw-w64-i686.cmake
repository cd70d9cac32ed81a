# Cross-compiles the Windows targets for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PALISOR_MINGW_TRIPLE i686-w64-mingw32)
# Windows XP loads a 32-bit program whose subsystem version is at most 5.01, and XP x64 one of 5.02.
set(PALISOR_SUBSYSTEM_MINOR 1)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
