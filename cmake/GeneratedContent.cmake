# solvane_generated_content(GENERATOR DEPENDS)
#
# Runs the content generator into SOLVANE_CONTENT_DIR and names what it makes, so that the
# resources that carry these files are rebuilt when any input changes.

# The sizes contentgen draws the icon in for the desktop's icon theme (kThemeIconSizes in
# tools/contentgen/artwork.cpp keeps the same list).
set(SOLVANE_THEME_ICON_SIZES 16 22 24 32 48 64 128 256)

function(solvane_generated_content generator depends)
  set(text_files env.txt firstpass.txt firstpass2.txt out.txt postpass.txt SETTINGS.txt
      texture.txt world.txt worlds.txt)
  set(outputs preview.bmp solvane.ico dialog.bmp content.rar load.jpg sign.jpg sun.jpg
      roreol.jpg soreol.jpg refl.jpg 500.jpg stars.jpg stars2.jpg bs.jpg c.jpg
      4loader_rd.tga 4loader_ld.tga 4loader_lu.tga 4loader_ru.tga res123.tga res124.tga
      env.dat sphere.dat sph_low.dat music.ogg contact_sheet.png)
  # The icon in the icon theme's sizes, for the Linux install.
  foreach(size IN ITEMS ${SOLVANE_THEME_ICON_SIZES})
    list(APPEND outputs icons/solvane-${size}.png)
  endforeach()
  list(TRANSFORM outputs PREPEND "${SOLVANE_CONTENT_DIR}/")
  list(TRANSFORM text_files PREPEND "${PROJECT_SOURCE_DIR}/scene/content/")
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND "${generator}" "${SOLVANE_CONTENT_DIR}" "${PROJECT_SOURCE_DIR}/scene/content"
    DEPENDS ${depends} ${text_files}
    COMMENT "Generating the carried content")
  add_custom_target(content ALL DEPENDS ${outputs})
endfunction()
