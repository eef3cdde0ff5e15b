# CPack runs this on its staging tree before it makes each package. The
# directories made by the install carry the builder's umask (mkdir masks the
# mode CMake asks for), and a package wants them 0755 whoever built it.
file(CHMOD_RECURSE "${CPACK_TEMPORARY_DIRECTORY}"
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
