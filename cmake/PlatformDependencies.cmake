# Libraries of the platform back ends: OpenGL through libepoxy, EGL, SDL2, the
# HLSL toolchain (glslang, SPIRV-Cross) and FFmpeg for video output.
find_package(glslang CONFIG REQUIRED)
find_package(spirv_cross_core CONFIG REQUIRED)
find_package(spirv_cross_glsl CONFIG REQUIRED)
find_package(spirv_cross_reflect CONFIG REQUIRED)
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
    glslang::glslang glslang::SPIRV glslang::glslang-default-resource-limits
    spirv-cross-glsl spirv-cross-reflect spirv-cross-core
    PkgConfig::EPOXY PkgConfig::EGL PkgConfig::SDL2 PkgConfig::FFMPEG PkgConfig::STB)
  # glslang's installed config does not pass this on, and ShaderLang.h needs it for HLSL.
  target_compile_definitions(ml_platform ${_ml_scope} ENABLE_HLSL)
endif()
# stb's implementations (PNG writing for captures) come from Debian's libstb.
pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
if(TARGET ml_platform AND NOT ML_PLATFORM_SOURCES STREQUAL "")
  target_link_libraries(ml_platform ${_ml_scope} PkgConfig::STB)
endif()
if(ML_SANITIZERS_ON)
  # glslang is built without RTTI: UBSan's vptr check would need its classes' type info.
  set_source_files_properties(${CMAKE_SOURCE_DIR}/src/render/gl/ShaderCompiler.cpp
    PROPERTIES COMPILE_OPTIONS -fno-sanitize=vptr)
endif()
