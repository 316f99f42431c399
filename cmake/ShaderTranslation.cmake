# HLSL to GLSL: glslang's HLSL front end, SPIRV-Tools' optimizer, SPIRV-Cross. The
# library ml_shader holds the whole translation; the player calls it only through the
# ml-shader-worker process, which it finds in libexec/marrowlight/ beside or above its
# own folder (the build tree puts it in build/libexec/marrowlight/).
find_package(glslang CONFIG REQUIRED)
find_package(SPIRV-Tools-opt CONFIG REQUIRED)
find_package(spirv_cross_core CONFIG REQUIRED)
find_package(spirv_cross_glsl CONFIG REQUIRED)

file(GLOB ML_SHADER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/render/gl/shader/*.cpp)
add_library(ml_shader STATIC ${ML_SHADER_SOURCES})
target_include_directories(ml_shader PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(ml_shader PUBLIC Threads::Threads PRIVATE
  glslang::glslang glslang::SPIRV glslang::glslang-default-resource-limits SPIRV-Tools-opt
  spirv-cross-glsl spirv-cross-core)
# glslang's installed config does not pass this on, and ShaderLang.h needs it for HLSL.
target_compile_definitions(ml_shader PRIVATE ENABLE_HLSL)
if(ML_SANITIZERS_ON)
  # glslang is built without RTTI: UBSan's vptr check would need its classes' type info.
  set_source_files_properties(${CMAKE_SOURCE_DIR}/src/render/gl/shader/HlslFrontEnd.cpp
    PROPERTIES COMPILE_OPTIONS -fno-sanitize=vptr)
endif()
target_link_libraries(ml_platform PUBLIC ml_shader)

add_executable(ml-shader-worker ${CMAKE_SOURCE_DIR}/src/render/gl/shader/worker/ShaderWorkerMain.cpp)
target_link_libraries(ml-shader-worker PRIVATE ml_shader)
set_target_properties(ml-shader-worker PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/libexec/marrowlight)
install(TARGETS ml-shader-worker RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/marrowlight)
