# Run by cpack once it has packed. Its -dbgsym package lists its one file in
# md5sums by the staging path, and carries neither copyright nor changelog;
# this mends it the way Debian's own tools make such a package: relative
# md5sums, a documentation folder that leads to the program's (it holds only
# symbols itself), and the symbols file not executable.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "-dbgsym_.*\\.ddeb$")
    continue()
  endif()
  set(root ${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-mended)
  file(REMOVE_RECURSE ${root})
  execute_process(COMMAND dpkg-deb -R ${package} ${root} COMMAND_ERROR_IS_FATAL ANY)
  file(MAKE_DIRECTORY ${root}/usr/share/doc)
  file(CREATE_LINK ${CPACK_PACKAGE_NAME} ${root}/usr/share/doc/${CPACK_PACKAGE_NAME}-dbgsym SYMBOLIC)
  execute_process(
    COMMAND sh -c "find usr -type f -name '*.debug' -exec chmod 0644 {} + &&
                   find usr -type f -exec md5sum {} + > DEBIAN/md5sums"
    WORKING_DIRECTORY ${root} COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND dpkg-deb --root-owner-group -b ${root} ${package}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endforeach()
