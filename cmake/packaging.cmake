# Installing the game for a desktop (`cmake --install`) and its Debian package (`cpack -G DEB`
# in the build folder). The program itself is installed by src/CMakeLists.txt.
include(GNUInstallDirs)

# The desktop entry and the AppStream file must carry the same name for software centres to
# pair them; the icon keeps the program's own name, as the desktop entry's Icon= says.
set(SJB_APP_ID io.github.shijianbao)
install(FILES packaging/${SJB_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${SJB_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS SJB_ICON_SIZES)
  install(FILES assets/icon/shijianbao-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME shijianbao.png)
endforeach()
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The package's own revision of this version; its changelog names the two together.
set(SJB_DEBIAN_RELEASE 1)
set(SJB_DEBIAN_VERSION ${PROJECT_VERSION}-${SJB_DEBIAN_RELEASE})
# The changelog and the manual page are kept compressed, as Debian has them, without a name
# or time in the gzip header so that two builds of one version make the same package.
find_program(SJB_GZIP gzip REQUIRED)
set(SJB_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
set(sjb_compressed)
foreach(file changelog.Debian shijianbao.6)
  configure_file(packaging/${file}.in ${SJB_PACKAGING_OUT}/${file} @ONLY)
  add_custom_command(OUTPUT ${SJB_PACKAGING_OUT}/${file}.gz
    COMMAND ${SJB_GZIP} -n -9 -f -k ${SJB_PACKAGING_OUT}/${file}
    DEPENDS ${SJB_PACKAGING_OUT}/${file} VERBATIM)
  list(APPEND sjb_compressed ${SJB_PACKAGING_OUT}/${file}.gz)
endforeach()
add_custom_target(sjb_packaging_docs ALL DEPENDS ${sjb_compressed})
install(FILES ${SJB_PACKAGING_OUT}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${SJB_PACKAGING_OUT}/shijianbao.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES packaging/lintian-overrides RENAME shijianbao
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)

set(CPACK_PACKAGE_NAME shijianbao)
set(CPACK_PACKAGE_VENDOR "The 识键宝 developers")
set(CPACK_PACKAGE_CONTACT "The 识键宝 developers <shijianbao@users.noreply.github.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/shijianbao/shijianbao)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "letter memory game on a picture of the keyboard")
set(CPACK_PACKAGE_DESCRIPTION
  "识键宝 is a memory game for children of four to eight. It teaches the 26\n\
English letters and where they sit on a computer keyboard: letters appear one\n\
after another with a picture card and a voice, and the child clicks the same\n\
letters in the same order on the keyboard. The interface is in Simplified\n\
Chinese.")
# The embedded pictures and sounds are most of the program; its debugging information would
# more than double the download.
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${SJB_DEBIAN_RELEASE})
# Neither the platform plugin that puts Qt on the screen nor the Song-style font is linked, so
# dpkg-shlibdeps cannot find them: they are named here.
# SDL is opened at run time, when the first sound is due, so it is named here too.
set(SJB_DEBIAN_RUNTIME "qt6-qpa-plugins, libsdl2-2.0-0 (>= ${SDL2_VERSION}), fonts-arphic-uming | fonts-noto-cjk")
find_program(SJB_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(SJB_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${SJB_DEBIAN_RUNTIME}")
else()
  # Without dpkg-dev, the libraries the program links, with the versions it was built against.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= ${Qt6_VERSION}), libqt6gui6 (>= ${Qt6_VERSION}), \
libqt6widgets6 (>= ${Qt6_VERSION}), libc6, libstdc++6, \
libgcc-s1, ${SJB_DEBIAN_RUNTIME}")
endif()
# Qt shows the game through X11 on its own; under a Wayland compositor without XWayland it
# needs this plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
