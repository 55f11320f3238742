# Install layout and the Debian package. Included once, after every target is defined, so that
# the rules can ask which targets this build has.
include(GNUInstallDirs)

set(QUILLMERE_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging)
set(QUILLMERE_APP_ID io.github.quillmere.Quillmere)
# Lower case on purpose: GNUInstallDirs would name the folder after the project, "Quillmere".
set(QUILLMERE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillmere)

install(TARGETS quillmere-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QUILLMERE_PACKAGING_DIR}/quillmere-report.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The desktop integration names the window program, so it comes only with it.
if(TARGET quillmere)
    install(TARGETS quillmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${QUILLMERE_PACKAGING_DIR}/quillmere.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/quillmere.desktop
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/quillmere.svg
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/${QUILLMERE_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
endif()

install(FILES ${CMAKE_CURRENT_LIST_DIR}/../LICENSE ${CMAKE_CURRENT_LIST_DIR}/../README.md
        DESTINATION ${QUILLMERE_INSTALL_DOCDIR})

# The Debian package: quillmere_<version>_<arch>.deb, its library dependencies read from the
# binaries by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <quillmere@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "referee's tool for strategy game tournament save files")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmere loads a batch of the players' save files of an online tournament of a turn-based
strategy game and shows, per save, the player, the game's settings and progress, the score,
the tournament's final score, per-turn history graphs and a verdict on reloads judged against
the tournament's rules. quillmere-report writes the same results file from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_LIST_DIR}/../LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmere developers <quillmere@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET quillmere)
    # Qt loads its display plugins at run time; no library link names them.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()

include(CPack)
