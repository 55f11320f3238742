# Install layout and the Debian packages. Included once, after every target is defined, so that
# the rules can ask which targets this build has.
#
# Three components, one package each: "report" is quillmere-report and quillmere-tournament (the command
# lines, their man pages, the schemas and an example profile; no Qt), "window" is quillmere (the window and its desktop
# integration), which depends on quillmere-report of the same version, and "server" is quillmere-server (the
# submission server, its man page and its systemd unit; no Qt), which depends on quillmere-report of the same
# version for quillmere-tournament, with which the referee makes the archive, rounds, players and links.
include(GNUInstallDirs)

set(QUILLMERE_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging)
set(QUILLMERE_APP_ID io.github.quillmere.Quillmere)
set(QUILLMERE_HOMEPAGE https://github.com/quillmere/quillmere)
set(QUILLMERE_REPOSITORY_FILES https://raw.githubusercontent.com/quillmere/quillmere/main)
set(QUILLMERE_DEBIAN_REVISION 1)
set(QUILLMERE_PACKAGE_VERSION ${PROJECT_VERSION}-${QUILLMERE_DEBIAN_REVISION})
# Lower case on purpose: GNUInstallDirs would name the folders after the project, "Quillmere".
set(QUILLMERE_REPORT_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillmere-report)
set(QUILLMERE_WINDOW_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillmere)
set(QUILLMERE_SERVER_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillmere-server)

# Man pages and the changelog go in compressed as Debian wants them: gzip -9n, so that the bytes do
# not depend on the build's time or folder.
set(QUILLMERE_GZIPPED_DIR ${CMAKE_BINARY_DIR}/packaging)
set(quillmere_gzipped)
foreach(source quillmere-report.1 quillmere-tournament.1 quillmere-server.1 quillmere.1 changelog.Debian)
    add_custom_command(
        OUTPUT ${QUILLMERE_GZIPPED_DIR}/${source}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLMERE_GZIPPED_DIR}
        COMMAND gzip -9n -c ${QUILLMERE_PACKAGING_DIR}/${source} > ${QUILLMERE_GZIPPED_DIR}/${source}.gz
        DEPENDS ${QUILLMERE_PACKAGING_DIR}/${source}
        VERBATIM)
    list(APPEND quillmere_gzipped ${QUILLMERE_GZIPPED_DIR}/${source}.gz)
endforeach()
# The installed README: its links to the schemas name the copies in examples/ next to it, its
# pictures those of the project's repository.
file(READ ${CMAKE_CURRENT_LIST_DIR}/../README.md quillmere_readme)
string(REGEX REPLACE "\\]\\(docs/([^)]*\\.png)\\)" "](${QUILLMERE_REPOSITORY_FILES}/docs/\\1)" quillmere_readme
                     "${quillmere_readme}")
string(REPLACE "](docs/" "](examples/" quillmere_readme "${quillmere_readme}")
file(WRITE ${QUILLMERE_GZIPPED_DIR}/README.md.new "${quillmere_readme}")
configure_file(${QUILLMERE_GZIPPED_DIR}/README.md.new ${QUILLMERE_GZIPPED_DIR}/README.md COPYONLY)
set_property(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                                                                 ${CMAKE_CURRENT_LIST_DIR}/../README.md)
add_custom_target(packaging-files ALL DEPENDS ${quillmere_gzipped})

install(TARGETS quillmere-report quillmere-tournament RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT report)
install(FILES ${QUILLMERE_GZIPPED_DIR}/quillmere-report.1.gz ${QUILLMERE_GZIPPED_DIR}/quillmere-tournament.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT report)
install(FILES ${QUILLMERE_PACKAGING_DIR}/completion/quillmere-report ${QUILLMERE_PACKAGING_DIR}/completion/quillmere-tournament
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions COMPONENT report)
install(FILES ${QUILLMERE_PACKAGING_DIR}/completion/_quillmere-report
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions COMPONENT report)
install(FILES ${QUILLMERE_PACKAGING_DIR}/copyright ${QUILLMERE_GZIPPED_DIR}/changelog.Debian.gz
              ${QUILLMERE_GZIPPED_DIR}/README.md
        DESTINATION ${QUILLMERE_REPORT_DOCDIR} COMPONENT report)
install(FILES ${QUILLMERE_PACKAGING_DIR}/lintian/quillmere-report DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        COMPONENT report)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../docs/report.schema.json ${CMAKE_CURRENT_LIST_DIR}/../docs/profile.schema.json
              ${CMAKE_CURRENT_LIST_DIR}/../docs/standings.schema.json ${CMAKE_CURRENT_LIST_DIR}/../docs/server-api.md
              ${CMAKE_BINARY_DIR}/examples-tournament/profile.json
        DESTINATION ${QUILLMERE_REPORT_DOCDIR}/examples COMPONENT report)

# The desktop integration names the window program, so it comes only with it.
if(TARGET quillmere)
    install(TARGETS quillmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
    install(FILES ${QUILLMERE_GZIPPED_DIR}/quillmere.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT window)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/${QUILLMERE_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT window)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/${QUILLMERE_APP_ID}.svg
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps COMPONENT window)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/${QUILLMERE_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo COMPONENT window)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/copyright ${QUILLMERE_GZIPPED_DIR}/changelog.Debian.gz
            DESTINATION ${QUILLMERE_WINDOW_DOCDIR} COMPONENT window)
    install(FILES ${QUILLMERE_PACKAGING_DIR}/lintian/quillmere DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
            COMPONENT window)
    # The example tournament that the first screen offers to try.
    install(DIRECTORY ${CMAKE_BINARY_DIR}/examples-tournament/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmere/examples-tournament
            COMPONENT window)
endif()

# quillmere-server with its man page and its systemd unit, which goes to /usr/lib/systemd/system in the
# package (systemd reads it there; Debian 12's /lib is /usr/lib). The package does not enable it.
install(TARGETS quillmere-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT server)
install(FILES ${QUILLMERE_GZIPPED_DIR}/quillmere-server.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT server)
install(FILES ${QUILLMERE_PACKAGING_DIR}/quillmere-server.service DESTINATION lib/systemd/system COMPONENT server)
install(FILES ${QUILLMERE_PACKAGING_DIR}/copyright ${QUILLMERE_GZIPPED_DIR}/changelog.Debian.gz
        DESTINATION ${QUILLMERE_SERVER_DOCDIR} COMPONENT server)
install(FILES ${QUILLMERE_PACKAGING_DIR}/lintian/quillmere-server DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        COMPONENT server)

# The Debian packages: quillmere-report_<version>_<arch>.deb, quillmere-server_<version>_<arch>.deb and
# quillmere_<version>_<arch>.deb,
# their library dependencies read from the binaries by dpkg-shlibdeps (package dpkg-dev). A build
# meant for them takes Debian's hardening flags: see scripts/build-deb.sh.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL report server)
if(TARGET quillmere)
    list(APPEND CPACK_COMPONENTS_ALL window)
endif()
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <quillmere@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${QUILLMERE_HOMEPAGE})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_LIST_DIR}/../LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripping, and dropping the compiler's .comment notes, is done by the script below.
set(CPACK_STRIP_FILES OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripPackaged.cmake)
set(CPACK_QUILLMERE_STRIP ${CMAKE_STRIP})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUILLMERE_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SOURCE quillmere)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmere developers <quillmere@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Descriptions: the first line is the synopsis; no line is longer than 80 columns.
set(CPACK_DEBIAN_REPORT_PACKAGE_NAME quillmere-report)
set(CPACK_DEBIAN_REPORT_DESCRIPTION
    "referee's report of strategy game tournament save files
quillmere-report loads a batch of the players' save files of an online
tournament of a turn-based strategy game and writes one row per save: the
player, the game's settings and progress, the score, the tournament's final
score and a verdict on reloads judged against the tournament's rules. It
writes the results file, CSV, JSON, an XLSX workbook or an HTML page, and
checks every save against a tournament profile. quillmere-tournament keeps a
tournament's rounds, submitted saves, rulings and standings in one archive
file.
.
This package holds the command-line programs only; they need no display.")
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME quillmere)
set(CPACK_DEBIAN_WINDOW_DESCRIPTION
    "referee's window for strategy game tournament save files
Quillmere loads a batch of the players' save files of an online tournament
of a turn-based strategy game and shows, per save, the player, the game's
settings and progress, the score, the tournament's final score, per-turn
history graphs and a verdict on reloads judged against the tournament's
rules.
.
This package holds the window; quillmere-report holds the command line.")
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME quillmere-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_DESCRIPTION
    "submission server for strategy game tournament save files
quillmere-server serves a tournament archive over HTTP or HTTPS: each player
uploads saves through a private link, the server analyses every upload
itself as quillmere-report does, refuses late or damaged ones with a reason,
stores it in the archive and answers with a signed receipt. The referee
rules on the submissions and publishes the standings from a page of the
same server.
.
This package holds the server and its systemd unit; quillmere-report holds
quillmere-tournament, which makes the archive, its rounds and its links.")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "quillmere-report (= ${QUILLMERE_PACKAGE_VERSION})")
# Qt loads its display plugins at run time; no library link names them.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "quillmere-report (= ${QUILLMERE_PACKAGE_VERSION}), qt6-qpa-plugins")

include(CPack)

