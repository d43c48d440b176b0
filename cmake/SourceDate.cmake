# solvane_source_date_epoch(<var> <source dir>)
#
# The time that stands for "when this was made" in packages, so that the same commit always
# gives the same bytes: SOURCE_DATE_EPOCH when the environment sets it (release.sh does, and a
# build from a source archive has no history to ask), otherwise the time of the source tree's
# last commit; empty when neither is known.
function(solvane_source_date_epoch var source_dir)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(epoch STREQUAL "")
    find_program(SOLVANE_GIT git)
    if(SOLVANE_GIT)
      execute_process(COMMAND "${SOLVANE_GIT}" -C "${source_dir}" log -1 --format=%ct
                      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                      RESULT_VARIABLE result)
      if(NOT result EQUAL 0)
        set(epoch "")
      endif()
    endif()
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch "")
  endif()
  set(${var} "${epoch}" PARENT_SCOPE)
endfunction()
