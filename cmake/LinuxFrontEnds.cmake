# The Linux front ends (SDL2, X11 host window, Wayland layer shell and headless), the developer
# tools and the build-time content.
enable_language(ASM)
include(LinkedResources)

find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(OSMESA REQUIRED IMPORTED_TARGET osmesa)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)

# The core's own dependency on GLU puts GLU after it on every link line: the GL entry points
# must come from the front end's library, listed before it.
target_link_libraries(solvane_core PUBLIC PkgConfig::GLU JPEG::JPEG)

pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)

# The archive packer: the content archive's builder, and a source of test archives.
file(GLOB SOLVANE_PACKER_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tools/archive/*.cpp")
add_library(solvane_archive_packer STATIC ${SOLVANE_PACKER_SOURCES})
target_link_libraries(solvane_archive_packer PUBLIC solvane_core)

# Everything the program carries is made at build time: the artwork, the meshes, the music and
# the content archive. The Windows build runs this same generator.
file(GLOB SOLVANE_CONTENTGEN_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tools/contentgen/*.cpp")
add_executable(contentgen ${SOLVANE_CONTENTGEN_SOURCES})
target_link_libraries(contentgen PRIVATE solvane_archive_packer JPEG::JPEG PNG::PNG PkgConfig::VORBISENC)
set(SOLVANE_CONTENT_DIR "${PROJECT_BINARY_DIR}/content")
include(GeneratedContent)
solvane_generated_content("$<TARGET_FILE:contentgen>" contentgen)

# The audio module, carried by the program as resource "BASS" 132 and loaded at run time.
pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
add_library(solvane_audio SHARED audio/audio_module.cpp audio/looping_player.cpp
            audio/sdl_output.cpp)
target_include_directories(solvane_audio PRIVATE "${PROJECT_SOURCE_DIR}")
target_link_libraries(solvane_audio PRIVATE PkgConfig::VORBISFILE PkgConfig::SDL2)
set_target_properties(solvane_audio PROPERTIES
  CXX_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}")
set(SOLVANE_AUDIO_MODULE "${PROJECT_BINARY_DIR}/libsolvane_audio.so")

solvane_linked_resources(solvane_resources
  CustomData 126 "${SOLVANE_CONTENT_DIR}/content.rar"
  CustomData 117 "${SOLVANE_CONTENT_DIR}/load.jpg"
  CustomData 119 "${SOLVANE_CONTENT_DIR}/4loader_rd.tga"
  CustomData 120 "${SOLVANE_CONTENT_DIR}/4loader_ld.tga"
  CustomData 121 "${SOLVANE_CONTENT_DIR}/4loader_lu.tga"
  CustomData 122 "${SOLVANE_CONTENT_DIR}/4loader_ru.tga"
  CustomData 123 "${SOLVANE_CONTENT_DIR}/res123.tga"
  CustomData 124 "${SOLVANE_CONTENT_DIR}/res124.tga"
  CustomData 127 scene/content/strings.txt
  CustomData 128 scene/content/def_settings.txt
  BASS 132 "${SOLVANE_AUDIO_MODULE}"
  Bitmap 107 "${SOLVANE_CONTENT_DIR}/dialog.bmp"
)
add_dependencies(solvane_resources content solvane_audio)

add_library(solvane_settings_file STATIC platform/posix/settings_file.cpp)
target_include_directories(solvane_settings_file PUBLIC "${PROJECT_SOURCE_DIR}")

# The display queries that need no OpenGL, for tools that draw off screen.
add_library(solvane_sdl_video STATIC platform/sdl/sdl_video.cpp)
target_link_libraries(solvane_sdl_video PUBLIC solvane_core PkgConfig::SDL2)

# Headless front end: off-screen Mesa, whose library provides the GL entry points.
add_library(solvane_posix STATIC platform/posix/posix_files.cpp)
target_link_libraries(solvane_posix PUBLIC solvane_core ${CMAKE_DL_LIBS})

add_library(solvane_headless STATIC platform/headless/headless_platform.cpp)
# The front end's dialog goes into each program that links it (the core calls it, and a static
# library listed before the core would not supply it).
target_sources(solvane_headless INTERFACE "${PROJECT_SOURCE_DIR}/ui/report_dialog.cpp")
target_link_libraries(solvane_headless PUBLIC solvane_core solvane_resources solvane_posix
                      PkgConfig::OSMESA)

# The Linux program's configuration dialog is GTK 3, in a module the program loads when the
# dialog opens: a saver run never loads the toolkit. The module takes the dialog model and the
# rest of the core from the program, which exports its symbols for it.
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
add_library(solvane_gtk_dialog MODULE ui/gtk_dialog.cpp)
target_include_directories(solvane_gtk_dialog PRIVATE "${PROJECT_SOURCE_DIR}")
target_link_libraries(solvane_gtk_dialog PRIVATE PkgConfig::GTK3)
set_target_properties(solvane_gtk_dialog PROPERTIES
  CXX_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}")
# The host-window front end draws into an X window it is given, through GLX.
find_package(X11 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
add_library(solvane_sdl STATIC platform/sdl/sdl_platform.cpp platform/sdl/placed_surface_platform.cpp
                        platform/sdl/x11_host_platform.cpp)
target_sources(solvane_sdl INTERFACE "${PROJECT_SOURCE_DIR}/ui/gtk_dialog_loader.cpp")
target_link_libraries(solvane_sdl PUBLIC solvane_core solvane_resources solvane_posix solvane_settings_file
                      solvane_sdl_video PkgConfig::SDL2 OpenGL::OpenGL OpenGL::GLX
                      X11::X11)

# The layer-shell front end: a small Wayland client of its own, drawing through EGL. The
# layer-shell protocol is carried here (no Debian package has it); the client code of the
# protocols is generated at build time (xdg-shell only for the popup type that layer shell names).
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET wayland-client wayland-egl egl)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT WAYLAND_SCANNER OR NOT WAYLAND_PROTOCOLS_DIR)
  message(FATAL_ERROR "wayland-scanner and wayland-protocols are needed (scripts/install-deps.sh)")
endif()
set(wayland_generated "${PROJECT_BINARY_DIR}/wayland")
file(MAKE_DIRECTORY "${wayland_generated}")
# The client code of each protocol XML, appended to the list named `out`.
function(solvane_wayland_protocols out)
  set(files)
  foreach(xml IN LISTS ARGN)
    get_filename_component(protocol "${xml}" NAME_WE)
    set(header "${wayland_generated}/${protocol}-client-protocol.h")
    set(code "${wayland_generated}/${protocol}-protocol.c")
    add_custom_command(OUTPUT "${header}" "${code}"
      COMMAND "${WAYLAND_SCANNER}" client-header "${xml}" "${header}"
      COMMAND "${WAYLAND_SCANNER}" private-code "${xml}" "${code}"
      DEPENDS "${xml}" VERBATIM)
    list(APPEND files "${header}" "${code}")
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
solvane_wayland_protocols(wayland_protocol_code
  "${PROJECT_SOURCE_DIR}/platform/wayland/protocols/wlr-layer-shell-unstable-v1.xml"
  "${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml"
  "${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml")
add_library(solvane_wayland STATIC platform/wayland/layer_platform.cpp ${wayland_protocol_code})
target_include_directories(solvane_wayland PRIVATE "${wayland_generated}")
target_link_libraries(solvane_wayland PUBLIC solvane_sdl PkgConfig::WAYLAND)

# The idle watcher (solvane --idle) and its sources of idle time: the Wayland idle protocols
# (ext-idle-notify, and KDE's for compositors that predate it), GNOME's idle monitor on the
# session bus, and the X screen-saver extension.
find_package(PlasmaWaylandProtocols CONFIG)
if(NOT PlasmaWaylandProtocols_FOUND)
  message(FATAL_ERROR "plasma-wayland-protocols is needed (scripts/install-deps.sh)")
endif()
pkg_check_modules(IDLE_LIBS REQUIRED IMPORTED_TARGET dbus-1 xscrnsaver x11 wayland-client)
solvane_wayland_protocols(idle_protocol_code
  "${WAYLAND_PROTOCOLS_DIR}/staging/ext-idle-notify/ext-idle-notify-v1.xml"
  "${PLASMA_WAYLAND_PROTOCOLS_DIR}/idle.xml")
add_library(solvane_idle STATIC platform/idle/idle_watcher.cpp platform/idle/wayland_idle.cpp
            platform/idle/gnome_idle.cpp platform/idle/x11_idle.cpp ${idle_protocol_code})
target_include_directories(solvane_idle PRIVATE "${PROJECT_SOURCE_DIR}" "${wayland_generated}")
target_link_libraries(solvane_idle PRIVATE solvane_posix PkgConfig::IDLE_LIBS)

# The dialog model is compiled into the program itself: nothing else in the program calls it, so
# the linker would leave it out of the core's archive, and the module needs it.
add_executable(solvane platform/sdl/main.cpp ui/config_dialog.cpp)
target_link_libraries(solvane PRIVATE solvane_idle solvane_wayland solvane_sdl)
set_target_properties(solvane PROPERTIES ENABLE_EXPORTS ON)
add_dependencies(solvane solvane_gtk_dialog)

add_executable(solvane-tool
  tools/solvane_tool/main.cpp
  tools/solvane_tool/archive_command.cpp
  tools/solvane_tool/json_writer.cpp
  tools/solvane_tool/png_writer.cpp
  tools/solvane_tool/scene_command.cpp
  tools/solvane_tool/tool_options.cpp)
target_link_libraries(solvane-tool PRIVATE solvane_headless solvane_settings_file
                      solvane_sdl_video solvane_archive_packer PNG::PNG)
# Both programs print the project's version (--version), the one every package carries.
target_compile_definitions(solvane PRIVATE "SOLVANE_VERSION=\"${PROJECT_VERSION}\"")
target_compile_definitions(solvane-tool PRIVATE "SOLVANE_VERSION=\"${PROJECT_VERSION}\"")
include(Install)
