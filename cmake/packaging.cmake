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
foreach(size 16 32 48 64 128 256)
  install(FILES assets/icon/shijianbao-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME shijianbao.png)
endforeach()
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
# Neither the platform plugin that puts Qt on the screen nor the Song-style font is linked, so
# dpkg-shlibdeps cannot find them: they are named here.
set(SJB_DEBIAN_RUNTIME "qt6-qpa-plugins, fonts-arphic-uming | fonts-noto-cjk")
find_program(SJB_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(SJB_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${SJB_DEBIAN_RUNTIME}")
else()
  # Without dpkg-dev, the libraries the program links, with the versions it was built against.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= ${Qt6_VERSION}), libqt6gui6 (>= ${Qt6_VERSION}), \
libqt6widgets6 (>= ${Qt6_VERSION}), libsdl2-2.0-0 (>= ${SDL2_VERSION}), libc6, libstdc++6, \
libgcc-s1, ${SJB_DEBIAN_RUNTIME}")
endif()

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
