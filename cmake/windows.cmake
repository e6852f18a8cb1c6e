# The Windows build (cross-compiled with cmake/mingw-w64-x86_64.cmake, or native MinGW-w64):
# one program that runs alone and writes the same bytes as the Linux build.

# The printf and scanf family of MinGW-w64's own C99 stdio, not the system's msvcrt: it rounds
# and pads as glibc does (%1.2lf of a half-way value, %zu), so the files are the same byte for byte.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 _WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

# tarnwick.exe needs no DLL beside it: the C++ runtime, libgcc and winpthread are linked in.
add_link_options(-static)

if(CMAKE_CROSSCOMPILING)
  # The test lists are read when ctest runs, under the emulator, not at build time.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
  # The end-to-end scripts run the program through this wrapper, which starts it under Wine.
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/tarnwick-under-emulator
         CONTENT "#!/bin/sh\nexec \"${CMAKE_CROSSCOMPILING_EMULATOR}\" \"${CMAKE_BINARY_DIR}/tarnwick.exe\" \"$@\"\n")
    file(CHMOD ${CMAKE_BINARY_DIR}/tarnwick-under-emulator PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(TARNWICK_PROGRAM_RUNNER ${CMAKE_BINARY_DIR}/tarnwick-under-emulator)
  endif()
endif()
