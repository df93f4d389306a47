# Read by cpack once for each generator. The tarballs leave out what only
# Debian's tools read (the component "debian").
if(CPACK_GENERATOR STREQUAL "TGZ")
  list(TRANSFORM CPACK_INSTALL_CMAKE_PROJECTS REPLACE "^ALL$" "Unspecified")
endif()
