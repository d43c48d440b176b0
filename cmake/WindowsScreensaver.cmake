# solvane.scr: the Windows screensaver, cross-compiled with mingw-w64 and linked statically so
# that it is one file that runs on a bare system.
enable_language(RC)
# PE headers carry a link time unless told not to: the same commit must give the same bytes.
add_link_options(-Wl,--no-insert-timestamp)

# Static libraries compiled from source for Windows (scripts/build-windows-deps.sh).
set(SOLVANE_WINDOWS_DEPS "" CACHE PATH "prefix of the cross-compiled libraries")
if(NOT EXISTS "${SOLVANE_WINDOWS_DEPS}/include/jpeglib.h")
  message(FATAL_ERROR "Set SOLVANE_WINDOWS_DEPS to the prefix that scripts/build-windows-deps.sh "
                      "prints (scripts/build-windows.sh does this).")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${SOLVANE_WINDOWS_DEPS}")

# The artwork comes from the generator of the host build (a cross build cannot run its own).
set(SOLVANE_CONTENTGEN "" CACHE FILEPATH "contentgen built for the build machine")
if(NOT EXISTS "${SOLVANE_CONTENTGEN}")
  message(FATAL_ERROR "Set SOLVANE_CONTENTGEN to the host build's contentgen "
                      "(scripts/build-windows.sh does this).")
endif()
set(SOLVANE_CONTENT_DIR "${PROJECT_BINARY_DIR}/content")
include(GeneratedContent)
solvane_generated_content("${SOLVANE_CONTENTGEN}" "${SOLVANE_CONTENTGEN}")

# The audio module, carried as resource "BASS" 132 and loaded at run time: a DLL that needs
# nothing but the system.
add_library(solvane_audio SHARED audio/audio_module.cpp audio/looping_player.cpp
            audio/wave_output.cpp)
target_include_directories(solvane_audio PRIVATE "${PROJECT_SOURCE_DIR}")
target_include_directories(solvane_audio SYSTEM PRIVATE "${SOLVANE_WINDOWS_DEPS}/include")
target_link_libraries(solvane_audio PRIVATE "${SOLVANE_WINDOWS_DEPS}/lib/libvorbisfile.a"
                      "${SOLVANE_WINDOWS_DEPS}/lib/libvorbis.a" "${SOLVANE_WINDOWS_DEPS}/lib/libogg.a"
                      winmm)
target_link_options(solvane_audio PRIVATE -static -static-libgcc -static-libstdc++
                    "-Wl,-Map=${PROJECT_BINARY_DIR}/solvane_audio.map")
set_target_properties(solvane_audio PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                      "${PROJECT_BINARY_DIR}")
set(SOLVANE_AUDIO_MODULE "${PROJECT_BINARY_DIR}/solvane_audio.dll")

configure_file(platform/win32/solvane.rc.in "${PROJECT_BINARY_DIR}/solvane.rc" @ONLY)
set_source_files_properties("${PROJECT_BINARY_DIR}/solvane.rc" PROPERTIES OBJECT_DEPENDS
  "${SOLVANE_AUDIO_MODULE};${SOLVANE_CONTENT_DIR}/content.rar;${SOLVANE_CONTENT_DIR}/preview.bmp;${PROJECT_SOURCE_DIR}/scene/content/def_settings.txt;${PROJECT_SOURCE_DIR}/scene/content/strings.txt;${PROJECT_SOURCE_DIR}/platform/win32/solvane.manifest")

target_include_directories(solvane_core PUBLIC "${SOLVANE_WINDOWS_DEPS}/include")
target_link_libraries(solvane_core PUBLIC "${SOLVANE_WINDOWS_DEPS}/lib/libjpeg.a" glu32 opengl32)

add_executable(solvane WIN32
  platform/win32/winmain.cpp
  platform/win32/win32_platform.cpp
  ui/win32_dialog.cpp
  "${PROJECT_BINARY_DIR}/solvane.rc")
set_target_properties(solvane PROPERTIES SUFFIX ".scr")
add_dependencies(solvane content solvane_audio)
target_link_libraries(solvane PRIVATE solvane_core gdi32 user32 advapi32 comctl32 shell32)
# The maps list every archive member that went into the program and its audio module:
# THIRD-PARTY-NOTICES.txt must cover each library named there.
target_link_options(solvane PRIVATE -static -static-libgcc -static-libstdc++
                    "-Wl,-Map=${PROJECT_BINARY_DIR}/solvane.map")

# Two ways to ship it: solvane-setup.exe (NSIS) and a zip for installing by hand. The version
# is the project's; Windows version resources want four numbers.
set(SOLVANE_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(SOLVANE_INSTALLER_DIR "${PROJECT_SOURCE_DIR}/platform/win32/installer")

set(SOLVANE_ZIP "${PROJECT_BINARY_DIR}/solvane-${PROJECT_VERSION}-windows.zip")
set(zip_staging "${PROJECT_BINARY_DIR}/zip-staging")
# Windows users read the texts in Notepad, hence the CRLF line ends.
configure_file("${SOLVANE_INSTALLER_DIR}/INSTALL.txt.in" "${zip_staging}/INSTALL.txt" @ONLY
               NEWLINE_STYLE CRLF)
foreach(text IN ITEMS LICENSE THIRD-PARTY-NOTICES.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${text}")
  file(READ "${PROJECT_SOURCE_DIR}/${text}" content)
  string(REPLACE "\n" "\r\n" content "${content}")
  set(old "")
  if(EXISTS "${zip_staging}/${text}")
    file(READ "${zip_staging}/${text}" old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE "${zip_staging}/${text}" "${content}")
  endif()
endforeach()
set(SOLVANE_ZIP_FILES solvane.scr INSTALL.txt LICENSE THIRD-PARTY-NOTICES.txt)
# The same commit gives the same zip: entries in a fixed order, with fixed modes and the
# commit's time (cmake/pack_zip.cmake).
add_custom_command(
  OUTPUT "${SOLVANE_ZIP}"
  COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:solvane>" "${zip_staging}/solvane.scr"
  COMMAND "${CMAKE_COMMAND}" "-DZIP=${SOLVANE_ZIP}" "-DSTAGING=${zip_staging}"
          "-DFILES=${SOLVANE_ZIP_FILES}" "-DSOURCE_DIR=${PROJECT_SOURCE_DIR}"
          -P "${PROJECT_SOURCE_DIR}/cmake/pack_zip.cmake"
  DEPENDS solvane "${zip_staging}/INSTALL.txt" "${PROJECT_SOURCE_DIR}/LICENSE"
          "${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt" "${PROJECT_SOURCE_DIR}/cmake/pack_zip.cmake"
  COMMENT "Packing ${SOLVANE_ZIP}"
  VERBATIM)
add_custom_target(windows_zip ALL DEPENDS "${SOLVANE_ZIP}")

find_program(SOLVANE_MAKENSIS makensis)
if(SOLVANE_MAKENSIS)
  set(SOLVANE_SETUP "${PROJECT_BINARY_DIR}/solvane-setup.exe")
  add_custom_command(
    OUTPUT "${SOLVANE_SETUP}"
    COMMAND "${SOLVANE_MAKENSIS}" -V2 -WX "-DVERSION=${PROJECT_VERSION}"
            "-DVERSION_QUAD=${SOLVANE_VERSION_QUAD}" "-DSCR=$<TARGET_FILE:solvane>"
            "-DICON=${SOLVANE_CONTENT_DIR}/solvane.ico" "-DOUTFILE=${SOLVANE_SETUP}"
            "-DLICENSE=${zip_staging}/LICENSE" "-DNOTICES=${zip_staging}/THIRD-PARTY-NOTICES.txt"
            "${SOLVANE_INSTALLER_DIR}/solvane.nsi"
    DEPENDS solvane "${SOLVANE_INSTALLER_DIR}/solvane.nsi" "${SOLVANE_CONTENT_DIR}/solvane.ico"
            "${PROJECT_SOURCE_DIR}/LICENSE" "${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt"
    COMMENT "Building ${SOLVANE_SETUP}"
    VERBATIM)
  add_custom_target(windows_installer ALL DEPENDS "${SOLVANE_SETUP}")
else()
  message(WARNING "makensis not found, so no solvane-setup.exe: run scripts/install-windows-deps.sh")
endif()
