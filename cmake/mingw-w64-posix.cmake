# Cross build for 64-bit Windows with the posix-thread mingw-w64 compilers
# (the win32 thread model has no std::mutex or std::thread in GCC 12).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELLOMARCH_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELLOMARCH_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELLOMARCH_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELLOMARCH_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${VELLOMARCH_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELLOMARCH_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${VELLOMARCH_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A self-contained executable: the C++ runtime, libgcc and winpthreads are linked in, so the
# program imports only KERNEL32, msvcrt and the system libraries it names.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# -O2 rather than CMake's -O3: GCC 12 reports false -Wrestrict errors inside libstdc++'s
# std::u16string concatenation at -O3. Set as a cache entry, since CMake appends its own -O3 to
# the _INIT value.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for Release builds")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for Release builds")

# Programs built here run on this Linux host through Wine (tests, test discovery).
find_program(VELLOMARCH_WINE wine)
if(VELLOMARCH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELLOMARCH_WINE})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
