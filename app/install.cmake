# The install tree, laid out as a Linux game: the executable beside its
# datafile and allegro.cfg in lib/games/zorvane, the datafile itself in
# share/games/zorvane, the launcher in games/, modtool in bin/, and the
# desktop entry, icons, metainfo and man pages where desktops look for them.
# The same rules make the Debian package (cpack -G DEB).
set(ZQ_GAME_DIR lib/games/zorvane)
set(ZQ_SHARE_DIR share/games/zorvane)
set(ZQ_APP_ID "example.zorvane.quibbleon" CACHE STRING "AppStream component id, a reversed domain name")
set(ZQ_HOMEPAGE "https://zorvane.example" CACHE STRING "Home page the metainfo names; screenshots lie under screens/")
set(ZQ_MAINTAINER "Zorvane Quibbleon maintainers <maintainers@users.noreply.c-seed-e30cd89c.example>"
    CACHE STRING "Maintainer line of the Debian package")
set(zq_staging ${CMAKE_BINARY_DIR}/install-files)

install(TARGETS zorvane RUNTIME DESTINATION ${ZQ_GAME_DIR})
install(PROGRAMS app/zorvane.sh DESTINATION games RENAME zorvane)

# The installed allegro.cfg names the patch index by its bare name, which
# the library looks up beside the executable: the tree may be unpacked
# anywhere. (The build tree's copy keeps a full path, as copies of the
# executable made elsewhere rely on it.)
set(ZQ_PATCHES_LINE "# (no patch set found at build time: the credits song is silent)")
if(EXISTS ${ZQ_PATCHES_INDEX})
  set(ZQ_PATCHES_LINE "patches = zorvane-patches.cfg")
  install(FILES ${ZQ_PATCHES_INDEX} DESTINATION ${ZQ_GAME_DIR})
endif()
configure_file(app/allegro.cfg.in ${zq_staging}/allegro.cfg @ONLY)
install(FILES ${zq_staging}/allegro.cfg DESTINATION ${ZQ_GAME_DIR})

set(ZQ_RELEASE_DATE 2026-12-07)   # of this PROJECT_VERSION: change the two together
configure_file(app/zorvane.metainfo.xml.in ${zq_staging}/${ZQ_APP_ID}.metainfo.xml @ONLY)
install(FILES ${zq_staging}/${ZQ_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES app/zorvane.desktop DESTINATION share/applications)

install(TARGETS modtool RUNTIME DESTINATION bin)

# The game finds its datafile beside the executable; a relative link
# keeps it in share/ and still works in an unpacked tree.
install(FILES ${CMAKE_BINARY_DIR}/bin/zorvane.dat DESTINATION ${ZQ_SHARE_DIR})
file(CREATE_LINK ../../../${ZQ_SHARE_DIR}/zorvane.dat ${zq_staging}/zorvane.dat SYMBOLIC)
install(FILES ${zq_staging}/zorvane.dat DESTINATION ${ZQ_GAME_DIR})
install(FILES ${CMAKE_BINARY_DIR}/icons/zorvane.png DESTINATION share/icons/hicolor/48x48/apps)
install(FILES ${CMAKE_BINARY_DIR}/icons/zorvane.svg DESTINATION share/icons/hicolor/scalable/apps)

file(GLOB ZQ_MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.[16])
foreach(page ${ZQ_MAN_PAGES})
  string(REGEX REPLACE ".*\\." "" section ${page})
  install(FILES ${page} DESTINATION share/man/man${section})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ZQ_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZQ_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZQ_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The credits song is synthesised from the free patch set; the fonts are
# already rasterised into the datafile, so none is needed at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "freepats")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "falling-block puzzle game with its own tracker-music player")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Elements of four cells fall into a well ten cells wide and twenty high;
full rows are removed and scored, and the fall speeds up with every ten
rows. A table of the fifteen best results, saved games, and in-game music
played by the game's own module player.

Also contains modtool, which reads JGM, MOD, S3M and XM modules and shows
what the player does with them.")
include(CPack)
