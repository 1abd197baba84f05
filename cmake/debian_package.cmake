# The Debian package, built by `make package` (cpack -G DEB) from the install rules, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME moorix)
set(CPACK_PACKAGE_VENDOR "Moorix developers")
set(CPACK_PACKAGE_CONTACT "Moorix developers <moorix@quenvale.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see what listens on your TCP ports, who started it, and stop it")
# The summary above is the synopsis line; this is the long description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Moorix lists every listening TCP socket with the process that holds it, the
chain of processes that started it (terminal, shell, package manager, script
runner) and the project folder it runs in, and lets you stop, restart, open,
label, hide or watch it.
.
It lives in the system tray, records when ports open and close, and notifies
you when a development server stops listening while its process lives on. The
same facts are on the command line, as a table or JSON, with modes that stop a
port's process or its whole development tool tree and wait for a port.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The libraries the binaries link, found by dpkg-shlibdeps; the tools Moorix runs when the kernel
# refuses, and the notification command, are wanted but not needed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "lsof, procps, libnotify-bin")
# The desktop entry names the installed binary: the install rules must see /usr as their prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Every install rule is in the default component; installing it by name writes the package's manifest
# to install_manifest_Unspecified.txt, so that `make package` leaves `make uninstall`'s manifest alone.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
