# Writes allegro.cfg beside the executable, pointing the library's MIDI
# synthesiser at the free patch set that Debian's freepats package installs.
# The package's index names its patches relative to a "dir" line the library
# does not understand, so a copy with full paths is written beside it.
set(ZQ_FREEPATS_INDEX /etc/timidity/freepats.cfg)
set(ZQ_PATCHES_INDEX ${CMAKE_BINARY_DIR}/bin/zorvane-patches.cfg)
set(ZQ_PATCHES_LINE "# (no patch set found at configure time: install freepats and configure again)")

if(EXISTS ${ZQ_FREEPATS_INDEX})
  file(STRINGS ${ZQ_FREEPATS_INDEX} zq_index_lines)
  set(zq_patch_dir "")
  set(zq_patch_index "# Written by the build from ${ZQ_FREEPATS_INDEX}.\n")
  foreach(zq_line IN LISTS zq_index_lines)
    if(zq_line MATCHES "^dir[ \t]+(.+)$")
      string(STRIP "${CMAKE_MATCH_1}" zq_patch_dir)
    elseif(zq_line MATCHES "^([ \t]*[0-9]+[ \t]+)([^/ \t].*)$" AND zq_patch_dir)
      string(APPEND zq_patch_index "${CMAKE_MATCH_1}${zq_patch_dir}/${CMAKE_MATCH_2}\n")
    else()
      string(APPEND zq_patch_index "${zq_line}\n")
    endif()
  endforeach()
  file(WRITE ${ZQ_PATCHES_INDEX} "${zq_patch_index}")
  set(ZQ_PATCHES_LINE "patches = ${ZQ_PATCHES_INDEX}")
endif()

configure_file(${CMAKE_SOURCE_DIR}/app/allegro.cfg.in ${CMAKE_BINARY_DIR}/bin/allegro.cfg @ONLY)
