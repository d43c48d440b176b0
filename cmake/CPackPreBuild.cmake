# Run by cpack once it has installed into its staging tree, before it packs: every directory
# gets mode 755, so that the packages do not depend on the umask of whoever built them (files
# have the modes of their install rules already).
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(entry IN ITEMS "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" LISTS entries)
  if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
    file(CHMOD "${entry}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
