# Read by cpack once for each generator. The tarballs leave out what only
# Debian's tools read (the component "debian").
if(CPACK_GENERATOR STREQUAL "TGZ")
  list(TRANSFORM CPACK_INSTALL_CMAKE_PROJECTS REPLACE "^ALL$" "Unspecified")
endif()
# dpkg-shlibdeps looks up the libraries of the architecture it is told: in a
# cross build, the target's libc6 (installed as a multiarch package, e.g.
# libc6:arm64), so that Depends names the target's libc.
if(CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
  set(ENV{DEB_HOST_ARCH} "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
endif()
