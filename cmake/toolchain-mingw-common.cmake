# The posix thread model (GoogleTest needs std::mutex); everything is linked statically, so
# no runtime DLL (libstdc++, libgcc, winpthread) is loaded.
find_program(CMAKE_C_COMPILER NAMES ${VESK_TRIPLE}-gcc-posix ${VESK_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VESK_TRIPLE}-g++-posix ${VESK_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VESK_TRIPLE}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${VESK_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Static C and C++ runtime: the programs load only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
