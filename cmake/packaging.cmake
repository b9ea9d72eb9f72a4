# Packages of what `cmake --install` puts in place: on Linux a Debian package
# (cpack -G DEB), whose library dependencies dpkg-shlibdeps works out; on
# Windows a ZIP (cpack -G ZIP), which carries the Qt runtime once the deploy
# step has added it to the install.
set(CPACK_PACKAGE_NAME torvane)
set(CPACK_PACKAGE_VENDOR "The Torvane developers")
set(CPACK_PACKAGE_CONTACT "The Torvane developers <maintainers@torvane.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://torvane.example.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DDS texture to level file converter")
set(CPACK_PACKAGE_DESCRIPTION
    "Torvane converts DDS textures into the game's chunked level-file texture format: a window that converts the texture you click, torvane-convert for scripted batches, and torvane-inspect to look inside textures and level files.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugin at run time, which no library dependency shows.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR DEB)
endif()
include(CPack)
