# Libraries the platform-neutral core links: none of them is a GL, EGL or SDL library.
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
# Image containers, each through its reference library; stb only for TGA and HDR.
pkg_check_modules(IMAGELIBS REQUIRED IMPORTED_TARGET
  libpng16 libjpeg libgif libtiff-4 libwebp libwebpdemux libexif)
# Debian's libsquish.pc names an empty prefix; find the library directly.
find_path(SQUISH_INCLUDE_DIR squish.h REQUIRED)
find_library(SQUISH_LIBRARY squish REQUIRED)
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
target_link_libraries(ml_core PUBLIC PkgConfig::SNDFILE PkgConfig::TINYXML PkgConfig::OPENMPT PkgConfig::IMAGELIBS ${SQUISH_LIBRARY})
target_include_directories(ml_core PUBLIC ${STB_INCLUDE_DIR} ${SQUISH_INCLUDE_DIR})
# TinyXML is built with its standard-string option on Debian; the headers need to know.
target_compile_definitions(ml_core PUBLIC TIXML_USE_STL)
