# Libraries of the platform back ends: OpenGL through libepoxy, EGL, SDL2 and
# FFmpeg for video output.
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
pkg_check_modules(EGL REQUIRED IMPORTED_TARGET egl)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libswresample libavutil)
# stb_image_write for PNG sequences; the Debian library holds the implementations.
pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
if(TARGET ml_platform AND NOT ML_PLATFORM_SOURCES STREQUAL "")
  get_target_property(_ml_platform_type ml_platform TYPE)
  if(_ml_platform_type STREQUAL "INTERFACE_LIBRARY")
    set(_ml_scope INTERFACE)
  else()
    set(_ml_scope PUBLIC)
  endif()
  target_link_libraries(ml_platform ${_ml_scope}
    PkgConfig::EPOXY PkgConfig::EGL PkgConfig::SDL2 PkgConfig::FFMPEG PkgConfig::STB)
endif()
# stb's implementations (PNG writing for captures) come from Debian's libstb.
pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
if(TARGET ml_platform AND NOT ML_PLATFORM_SOURCES STREQUAL "")
  target_link_libraries(ml_platform ${_ml_scope} PkgConfig::STB)
endif()
