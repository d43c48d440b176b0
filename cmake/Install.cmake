# The Linux install: the programs, the saver where XScreenSaver looks for its hacks, its settings
# description for the host's dialog, desktop entries, the manual page, the theme icons and the
# documents. Every destination is relative to the prefix, so DESTDIR and --prefix both work.
include(GNUInstallDirs)

# Everything goes under the prefix: the hack link and the package need directories below it.
foreach(dir IN ITEMS CMAKE_INSTALL_BINDIR CMAKE_INSTALL_LIBEXECDIR CMAKE_INSTALL_DATADIR
                     CMAKE_INSTALL_MANDIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the install prefix, not ${${dir}}")
  endif()
endforeach()

set(SOLVANE_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/linux")
set(SOLVANE_DIST_BUILD_DIR "${PROJECT_BINARY_DIR}/dist")
set(SOLVANE_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/solvane")
set(SOLVANE_HACK_DIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver")

# A umask of the installing user must not leave directories others cannot read.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Manual pages and changelog compressed as Debian keeps them; -n leaves out the name and the
# time, so the bytes depend on the text only. The manual pages' headers name the project's version.
set(SOLVANE_COMPRESSED)
foreach(pair IN ITEMS "solvane.6|solvane.6.gz" "solvane-tool.1|solvane-tool.1.gz"
                      "changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 target)
  set(text "${SOLVANE_DIST_DIR}/${source}")
  if(source MATCHES "[.][0-9]$")
    configure_file("${text}" "${SOLVANE_DIST_BUILD_DIR}/${source}" @ONLY)
    set(text "${SOLVANE_DIST_BUILD_DIR}/${source}")
  endif()
  add_custom_command(
    OUTPUT "${SOLVANE_DIST_BUILD_DIR}/${target}"
    COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" sh "${text}" "${SOLVANE_DIST_BUILD_DIR}/${target}"
    DEPENDS "${text}"
    VERBATIM)
  list(APPEND SOLVANE_COMPRESSED "${SOLVANE_DIST_BUILD_DIR}/${target}")
endforeach()
add_custom_target(dist_files ALL DEPENDS ${SOLVANE_COMPRESSED})

# Before anything is copied: a prefix that cannot take files stops the install with one clear
# line, instead of a half-made tree and CMake's guess at "administrative privileges". The check
# walks up to the nearest existing ancestor, so it creates nothing where it would fail. (The
# leading blank keeps CMake from wrapping the message.)
install(CODE [[
  set(solvane_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  set(solvane_dir "${solvane_root}")
  while(NOT EXISTS "${solvane_dir}" AND NOT IS_SYMLINK "${solvane_dir}")
    get_filename_component(solvane_parent "${solvane_dir}" DIRECTORY)
    if(solvane_parent STREQUAL solvane_dir)
      break()
    endif()
    set(solvane_dir "${solvane_parent}")
  endwhile()
  if(NOT IS_DIRECTORY "${solvane_dir}")
    message(FATAL_ERROR " solvane: cannot install into ${solvane_root}: ${solvane_dir} is not a directory")
  endif()
  string(RANDOM LENGTH 12 solvane_probe)
  set(solvane_probe "${solvane_dir}/.solvane-install-${solvane_probe}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E touch "${solvane_probe}"
                  RESULT_VARIABLE solvane_result OUTPUT_QUIET ERROR_QUIET)
  file(REMOVE "${solvane_probe}")
  if(NOT solvane_result EQUAL 0)
    message(FATAL_ERROR " solvane: cannot install into ${solvane_root}: ${solvane_dir} is not writable")
  endif()
]])

install(TARGETS solvane solvane-tool RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# The configuration dialog's module, a private library of the program: it looks for it in
# lib/solvane/modules beside its own bin/. (A shared object right below lib/ would make the
# Debian package run ldconfig, which a private module does not need.)
install(TARGETS solvane_gtk_dialog LIBRARY DESTINATION lib/solvane/modules
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# XScreenSaver runs its hacks from libexec/xscreensaver; a relative link keeps the program
# itself in bin/ and survives a moved prefix.
file(RELATIVE_PATH SOLVANE_HACK_LINK "/prefix/${SOLVANE_HACK_DIR}"
     "/prefix/${CMAKE_INSTALL_BINDIR}/solvane")
# The directory comes from an install rule, so its mode is the default above, not the umask's.
install(DIRECTORY DESTINATION "${SOLVANE_HACK_DIR}")
install(CODE "
  set(solvane_hack_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${SOLVANE_HACK_DIR}\")
  message(STATUS \"Installing: \${solvane_hack_dir}/solvane -> ${SOLVANE_HACK_LINK}\")
  file(REMOVE \"\${solvane_hack_dir}/solvane\")
  file(CREATE_LINK \"${SOLVANE_HACK_LINK}\" \"\${solvane_hack_dir}/solvane\"
       RESULT solvane_link_result SYMBOLIC)
  if(NOT solvane_link_result EQUAL 0)
    message(FATAL_ERROR \" solvane: cannot link \${solvane_hack_dir}/solvane: \${solvane_link_result}\")
  endif()
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${solvane_hack_dir}/solvane\")
")

install(FILES "${SOLVANE_DIST_DIR}/solvane.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/xscreensaver/config")
install(FILES "${SOLVANE_DIST_DIR}/solvane.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications/screensavers")
# The idle watcher's entry is for users to copy into ~/.config/autostart: nothing starts it.
install(FILES "${SOLVANE_DIST_DIR}/solvane-settings.desktop"
              "${SOLVANE_DIST_DIR}/solvane-idle.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${SOLVANE_DIST_BUILD_DIR}/solvane.6.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")
install(FILES "${SOLVANE_DIST_BUILD_DIR}/solvane-tool.1.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
foreach(size IN ITEMS ${SOLVANE_THEME_ICON_SIZES})
  install(FILES "${SOLVANE_CONTENT_DIR}/icons/solvane-${size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
          RENAME solvane.png)
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${SOLVANE_DIST_DIR}/copyright"
              "${SOLVANE_DIST_BUILD_DIR}/changelog.gz"
        DESTINATION "${SOLVANE_DOC_DIR}")

include(Packages)
