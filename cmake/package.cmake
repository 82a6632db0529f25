# CPack: from the Linux build a Debian package, devlist_<version>_amd64.deb; from the Windows cross build a zip,
# devlist-<version>-win64.zip. Both hold what cmake/install.cmake installs.
set(CPACK_PACKAGE_NAME devlist)
set(CPACK_PACKAGE_VENDOR "the devlist authors")
set(CPACK_PACKAGE_CONTACT "The devlist authors <devlist@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list every Plug and Play device and all of its properties")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "devlist-${PROJECT_VERSION}-win64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Depends comes from the shared libraries the binary links (dpkg-shlibdeps); the hardware database that
  # names vendors and models is udev's.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, libsystemd0")
  # The long description, below the summary; CPack indents it as the control file wants.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "devlist prints every device the machine knows, with every property the
system gives for it, one labelled line per property, in a fixed text
layout that diffs and greps well, or as one JSON document.
.
It has two listings: the devices by setup class, each with a full property
report, and the device interfaces by interface class, with the device path
to open. Either shows present devices only or every installed one, for all
catalogued classes or a single class.
.
On Linux the devices come from /sys, with Windows-style instance ids,
hardware ids and setup classes; vendor and model names come from the udev
hardware database when it is installed.")
endif()

include(CPack)
