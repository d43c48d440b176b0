# cmake -DZIP=FILE -DSTAGING=DIR -DFILES=a;b;... -DSOURCE_DIR=DIR -P pack_zip.cmake
#
# Packs FILES from STAGING into ZIP so that the same commit gives the same bytes: every entry
# has the same mode whatever the umask was, and the time of the last commit (SOURCE_DATE_EPOCH
# when it is set, for builds from a source archive) instead of the time of the build. zip -X
# leaves out the Unix extras (owner, access and change times), which no option could fix.
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/SourceDate.cmake")
solvane_source_date_epoch(epoch "${SOURCE_DIR}")
find_program(ZIP_PROGRAM zip)
if(NOT ZIP_PROGRAM)
  message(FATAL_ERROR "zip not found; run scripts/install-windows-deps.sh")
endif()
foreach(file IN LISTS FILES)
  file(CHMOD "${STAGING}/${file}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(epoch)
    execute_process(COMMAND touch -d "@${epoch}" "${STAGING}/${file}")
  endif()
endforeach()
file(REMOVE "${ZIP}")
# An entry's time is stored as local time: packed in UTC, the bytes do not depend on the zone.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env TZ=UTC "${ZIP_PROGRAM}" -q -X -D "${ZIP}" ${FILES}
                WORKING_DIRECTORY "${STAGING}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot pack ${ZIP}")
endif()
