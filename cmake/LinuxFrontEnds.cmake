# The Linux front ends (SDL2 and headless), the developer tools and the build-time content.
enable_language(ASM)
include(LinkedResources)

find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(OSMESA REQUIRED IMPORTED_TARGET osmesa)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(PNG REQUIRED)

# The core's own dependency on GLU puts GLU after it on every link line: the GL entry points
# must come from the front end's library, listed before it.
target_link_libraries(solvane_core PUBLIC PkgConfig::GLU)

# Artwork made at build time; the Windows build runs this same generator.
add_executable(contentgen tools/contentgen/contentgen.cpp)
set(SOLVANE_CONTENT_DIR "${PROJECT_BINARY_DIR}/content")
add_custom_command(
  OUTPUT "${SOLVANE_CONTENT_DIR}/preview.bmp" "${SOLVANE_CONTENT_DIR}/solvane.ico"
  COMMAND contentgen "${SOLVANE_CONTENT_DIR}"
  DEPENDS contentgen
  COMMENT "Generating the artwork")
add_custom_target(content ALL
  DEPENDS "${SOLVANE_CONTENT_DIR}/preview.bmp" "${SOLVANE_CONTENT_DIR}/solvane.ico")

solvane_linked_resources(solvane_resources
  CustomData 128 scene/content/def_settings.txt
)

add_library(solvane_settings_file STATIC platform/sdl/settings_file.cpp)
target_include_directories(solvane_settings_file PUBLIC "${PROJECT_SOURCE_DIR}")

# The display queries that need no OpenGL, for tools that draw off screen.
add_library(solvane_sdl_video STATIC platform/sdl/sdl_video.cpp)
target_link_libraries(solvane_sdl_video PUBLIC solvane_core PkgConfig::SDL2)

# Headless front end: off-screen Mesa, whose library provides the GL entry points.
add_library(solvane_headless STATIC platform/headless/headless_platform.cpp)
target_link_libraries(solvane_headless PUBLIC solvane_core solvane_resources PkgConfig::OSMESA)

add_library(solvane_sdl STATIC platform/sdl/sdl_platform.cpp)
target_link_libraries(solvane_sdl PUBLIC solvane_core solvane_resources solvane_settings_file
                      solvane_sdl_video PkgConfig::SDL2 OpenGL::OpenGL)

add_executable(solvane platform/sdl/main.cpp)
target_link_libraries(solvane PRIVATE solvane_sdl)

# The archive packer: the content archive's builder, and a source of test archives.
file(GLOB SOLVANE_PACKER_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tools/archive/*.cpp")
add_library(solvane_archive_packer STATIC ${SOLVANE_PACKER_SOURCES})
target_link_libraries(solvane_archive_packer PUBLIC solvane_core)

add_executable(solvane-tool
  tools/solvane_tool/main.cpp
  tools/solvane_tool/archive_command.cpp
  tools/solvane_tool/png_writer.cpp)
target_link_libraries(solvane-tool PRIVATE solvane_headless solvane_settings_file
                      solvane_sdl_video solvane_archive_packer PNG::PNG)
