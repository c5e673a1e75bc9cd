# Cross-build for 32-bit Windows (the real NT 4.0 / 2000 / XP / 2003 and 9x targets).
# These machines cannot execute 32-bit code, so this build is compiled and checked only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OV_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${OV_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OV_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${OV_TRIPLET}-windres)
set(CMAKE_OBJDUMP      ${OV_TRIPLET}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${OV_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
