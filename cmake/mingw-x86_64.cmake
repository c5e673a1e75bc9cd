# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix threads, needed by
# GoogleTest's std::mutex). Tests run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(OV_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${OV_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OV_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${OV_TRIPLET}-windres)
set(CMAKE_OBJDUMP      ${OV_TRIPLET}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${OV_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run through scripts/wine-run.sh, which calls wine64.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
