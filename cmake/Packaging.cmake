# Packaging (CPack). On Linux, `cpack -G DEB` in the build folder makes the Debian package.

set(CPACK_PACKAGE_NAME valtessa)
set(CPACK_PACKAGE_VENDOR Kordavin)
set(CPACK_PACKAGE_CONTACT "Kordavin <valtessa@example.org>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "history quiz on famous battles, and on topics of your own")
set(CPACK_PACKAGE_DESCRIPTION [[
Valtessa is a small history quiz for school pupils, in Bulgarian. Its window
shows three lists: the places of sixteen famous battles and sieges of world
history, from Thermopylae to Stalingrad, their winners and the defeated.
.
Pick one entry in each list and press 'Check'. A right answer shows an
explanation of the battle and takes its entries off the lists; 'Clear' starts
a new round.
.
Teachers can play any topic of three things that belong together (writer,
work and character; country, capital and currency) from a table saved by
LibreOffice Calc or Excel as CSV.]])
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.org/")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}")
    set(CPACK_DEBIAN_PACKAGE_SECTION education)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The libraries come from dpkg-shlibdeps. These are loaded by name at run time, so it cannot
    # see them: the font the window asks for, Qt's X11 platform plugin and Qt's translation.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/CPackChecks.cmake")
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-qpa-plugins, qt6-translations-l10n")
    # Control files readable by all, as dpkg and lintian expect.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

    # qt_standard_project_setup() gives executables a run-time search path of $ORIGIN and
    # $ORIGIN/../lib, for bundles that carry their own libraries. This package uses only the
    # system's, which the loader finds anyway, and Debian forbids such paths in /usr/bin.
    set_property(TARGET valtessa PROPERTY INSTALL_RPATH "")

    # Debian wants the licence and the changelog of every package in its doc folder. The newest
    # entry names the version being packaged (tests/packaging checks it); add one per release.
    install(FILES "${PROJECT_SOURCE_DIR}/LICENSE"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}" RENAME copyright)
    file(WRITE "${PROJECT_BINARY_DIR}/changelog" [[
valtessa (1.00) unstable; urgency=medium

  * First release: the quiz of sixteen famous battles and sieges of world
    history, teachers' own quizzes from CSV tables, the desktop entry,
    AppStream metainfo and icons.

 -- Kordavin <valtessa@example.org>  Tue, 08 Dec 2026 00:00:00 +0000
]])
    # gzip -n leaves the time out of the header, so the package is the same from build to build.
    execute_process(COMMAND gzip -9 -n -c "${PROJECT_BINARY_DIR}/changelog"
        OUTPUT_FILE "${PROJECT_BINARY_DIR}/changelog.gz" COMMAND_ERROR_IS_FATAL ANY)
    install(FILES "${PROJECT_BINARY_DIR}/changelog.gz" DESTINATION "${CMAKE_INSTALL_DOCDIR}")
endif()

include(CPack)
