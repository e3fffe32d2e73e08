# One strict warning set for every target of the project. (-Wnull-dereference
# is left out: g++ 12 raises it falsely inside libstdc++ at -O3.)
add_library(snapstamp_options INTERFACE)
target_compile_options(snapstamp_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual
  -Wformat=2 -Wimplicit-fallthrough -Wundef)
# g++ 12 raises -Wrestrict falsely inside std::string at -O3 (GCC bug 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(snapstamp_options INTERFACE -Wno-restrict)
endif()
if(SNAPSTAMP_WERROR)
  target_compile_options(snapstamp_options INTERFACE -Werror)
endif()
if(SNAPSTAMP_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(snapstamp_options INTERFACE ${_san})
  target_link_options(snapstamp_options INTERFACE ${_san})
endif()
