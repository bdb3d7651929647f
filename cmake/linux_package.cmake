# Installing on Linux (cmake --install) and the Debian package (cpack -G DEB; scripts/package builds it).

# A game's files go where Debian puts a game's: the command in games/, the data in share/games/frostel and
# the program, which is not a command, in lib/games/frostel. The program reads data/ under its working
# directory, so the command is a launcher that changes into share/games/frostel and runs it; paths are
# relative, so any prefix works.
set(FROSTEL_ID org.frostel.frostel)
# No address is invented: without a homepage the package and the metainfo name none, and the maintainer's
# default is at a reserved domain that reaches no one.
set(FROSTEL_HOMEPAGE_URL "" CACHE STRING "The project's web address, for the package and the metainfo (empty: none)")
set(FROSTEL_PACKAGE_MAINTAINER "The Frostel developers <developers@frostel.invalid>" CACHE STRING
    "The package's maintainer, a name and a mail address")
set(FROSTEL_BIN_TO_SHARE ../share/games/frostel)
set(FROSTEL_BIN_TO_PROGRAM ../lib/games/frostel/frostel)
set(FROSTEL_DATA_PATH /usr/share/games/frostel/data)
set(frostel_out ${CMAKE_BINARY_DIR}/packaging)

set(FROSTEL_METAINFO_HOMEPAGE "")
if(FROSTEL_HOMEPAGE_URL)
  string(REPLACE "&" "&amp;" url "${FROSTEL_HOMEPAGE_URL}")
  string(REPLACE "<" "&lt;" url "${url}")
  set(FROSTEL_METAINFO_HOMEPAGE "\n  <url type=\"homepage\">${url}</url>")
endif()
# The copyright file carries the licence's own words from LICENSE, each line indented, blank ones as " .".
file(READ ${CMAKE_SOURCE_DIR}/LICENSE frostel_licence)
string(FIND "${frostel_licence}" "Permission is hereby granted" start)
string(SUBSTRING "${frostel_licence}" ${start} -1 frostel_licence)
string(STRIP "${frostel_licence}" frostel_licence)
string(REPLACE "\n\n" "\n.\n" frostel_licence "${frostel_licence}")
string(REPLACE "\n" "\n " frostel_licence "${frostel_licence}")
set(FROSTEL_EXPAT_TEXT " ${frostel_licence}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)

configure_file(${CMAKE_SOURCE_DIR}/packaging/linux/frostel.in ${frostel_out}/frostel @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/linux/${FROSTEL_ID}.metainfo.xml.in ${frostel_out}/${FROSTEL_ID}.metainfo.xml
               @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/linux/frostel.6.in ${frostel_out}/frostel.6 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/linux/frostel-xscreensaver.6.in ${frostel_out}/frostel-xscreensaver.6 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/linux/copyright.in ${frostel_out}/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/linux/changelog.in ${frostel_out}/changelog @ONLY)

# Debian wants manual pages and changelogs compressed, without a time stamp so the bytes stay the same.
find_program(FROSTEL_GZIP gzip REQUIRED)
foreach(pair "frostel.6:${frostel_out}/frostel.6" "frostel-xscreensaver.6:${frostel_out}/frostel-xscreensaver.6"
        "changelog:${frostel_out}/changelog")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 from)
  add_custom_command(OUTPUT ${frostel_out}/${name}.gz
    COMMAND ${FROSTEL_GZIP} -9 -n -c ${from} > ${frostel_out}/${name}.gz
    DEPENDS ${from}
    COMMENT "Compressing ${name}")
  list(APPEND frostel_compressed ${frostel_out}/${name}.gz)
endforeach()
add_custom_target(frostel_packaging ALL DEPENDS ${frostel_compressed})

install(PROGRAMS ${frostel_out}/frostel DESTINATION games)
install(TARGETS frostel RUNTIME DESTINATION lib/games/frostel)
# A stripped program loses the compiler's name too, as Debian's own packages do.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/games/frostel/frostel\" COMMAND_ERROR_IS_FATAL ANY)
endif()")
# The screen-saver hack where XScreenSaver looks for hacks, under the name its settings file gives; it finds
# share/games/frostel relative to its own folder.
install(TARGETS frostel-saver RUNTIME DESTINATION libexec/xscreensaver)
install(CODE "set(hacks \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/libexec/xscreensaver\")
file(RENAME \"\${hacks}/frostel-saver\" \"\${hacks}/frostel\")
if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${hacks}/frostel\" COMMAND_ERROR_IS_FATAL ANY)
endif()")
install(FILES packaging/linux/frostel.xml DESTINATION share/xscreensaver/config)
# MATE's and Xfce's screen savers list the hacks they offer from here. The command that makes it XScreenSaver's
# one saver, frostel-xscreensaver, is installed beside tools/xscreensaver's target.
install(FILES packaging/linux/frostel-screensaver.desktop DESTINATION share/applications/screensavers
        RENAME frostel.desktop)
install(DIRECTORY ${FROSTEL_DATA_DIR}/ DESTINATION share/games/frostel/data)
install(FILES packaging/linux/${FROSTEL_ID}.desktop DESTINATION share/applications)
install(FILES ${frostel_out}/${FROSTEL_ID}.metainfo.xml DESTINATION share/metainfo)
if(NOT FROSTEL_HOMEPAGE_URL)
  install(FILES packaging/linux/frostel.lintian-overrides DESTINATION share/lintian/overrides RENAME frostel)
endif()
foreach(size ${FROSTEL_ICON_SIZES})
  install(FILES ${FROSTEL_ICON_DIR}/frostel-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME ${FROSTEL_ID}.png)
endforeach()
install(FILES ${FROSTEL_ICON_DIR}/frostel.svg DESTINATION share/icons/hicolor/scalable/apps RENAME ${FROSTEL_ID}.svg)
install(FILES ${frostel_out}/frostel.6.gz ${frostel_out}/frostel-xscreensaver.6.gz DESTINATION share/man/man6)
install(FILES ${frostel_out}/copyright DESTINATION share/doc/frostel)
install(FILES ${frostel_out}/changelog.gz DESTINATION share/doc/frostel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME frostel)
set(CPACK_PACKAGE_VENDOR Frostel)
set(CPACK_PACKAGE_CONTACT "${FROSTEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small real-time winter scene")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(FROSTEL_HOMEPAGE_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${FROSTEL_HOMEPAGE_URL}")
endif()
# The synopsis above is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A snow-laden fir with a gold star stands on a snowy ground that turns once
every 5.4 seconds, while 1500 snowflakes tumble through the night sky,
sparkles fly out from the treetop, a frosty frame lies over the view and a
gentle tune loops. The program opens one window and needs no settings.

The same scene is also a screen saver: an XScreenSaver hack, which the
command frostel-xscreensaver makes the one saver, and one that the screen
savers of MATE and Xfce list. GNOME and KDE run no such screen savers.")
# Dependencies are read off the program's libraries by dpkg-shlibdeps, not written by hand. The one
# exception: SDL opens the OpenGL library (libGL.so.1, and through it Mesa) at run time, out of their sight.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
# The screen saver is there for whoever runs the daemon; the scene itself needs none.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
