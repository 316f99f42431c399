# Libraries the platform-neutral core links: none of them is a GL, EGL or SDL library.
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
target_link_libraries(ml_core PUBLIC PkgConfig::SNDFILE PkgConfig::TINYXML)
target_include_directories(ml_core PUBLIC ${STB_INCLUDE_DIR})
# TinyXML is built with its standard-string option on Debian; the headers need to know.
target_compile_definitions(ml_core PUBLIC TIXML_USE_STL)
# stb_image copies zero bytes from a null buffer on PNGs with an empty first
# IDAT chunk (legal files); harmless, but it would stop a sanitizer build.
if(ML_SANITIZERS_ON)
  set_source_files_properties(src/assets/ImageDecoder.cpp PROPERTIES COMPILE_OPTIONS -fno-sanitize=nonnull-attribute)
endif()
