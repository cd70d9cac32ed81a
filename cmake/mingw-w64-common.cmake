# Shared by both mingw-w64 toolchain files. The win32 thread model is used: the posix one links a
# threads runtime that imports functions Windows XP lacks (GetTickCount64), so no program built with
# it starts there. Its standard library has no threads or locks; platform/sync.h provides them.
# Everything is linked statically.
find_program(CMAKE_C_COMPILER NAMES ${PALISOR_MINGW_TRIPLE}-gcc-win32 REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${PALISOR_MINGW_TRIPLE}-g++-win32 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${PALISOR_MINGW_TRIPLE}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${PALISOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The subsystem version is written down rather than left to the linker's default, which newer
# linkers raise past what Windows XP accepts.
set(PALISOR_XP_LINK_FLAGS
    "-Wl,--major-subsystem-version,5,--minor-subsystem-version,${PALISOR_SUBSYSTEM_MINOR}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${PALISOR_XP_LINK_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${PALISOR_XP_LINK_FLAGS}")
# Windows test programs run under Wine through this wrapper (ctest, add_test).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
