# Read by cpack before it makes a package (CPACK_PROJECT_CONFIG_FILE in Packaging.cmake).
# Without dpkg-shlibdeps, CPack would only warn and write a .deb that does not depend on the Qt
# libraries the program needs; stop instead, and say what to install.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(VALTESSA_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT VALTESSA_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps is missing, and without it the package would lack "
            "its dependencies on Qt. Install the Debian package dpkg-dev "
            "(scripts/install-deps does) and run cpack again.")
    endif()
endif()
