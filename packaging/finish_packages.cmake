# Run by cpack once it has packed: makes both packages again the way Debian's
# own tools make them, so that two builds of the same sources give the same
# bytes whatever the path, time, locale, time zone or umask:
#   - every file's time is the release's (SOURCE_DATE_EPOCH), and so are the
#     times dpkg-deb writes into the archive itself;
#   - folders are 0755 and owned by root, files keep their installed modes;
#   - md5sums lists relative paths in sorted order.
# The -dbgsym package also gets what CPack leaves out: a documentation folder
# that leads to the program's (it holds only symbols itself), and its
# symbols file not executable.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_QUINDAL_SOURCE_DATE_EPOCH})
set(ENV{LC_ALL} C.UTF-8)
set(ENV{TZ} UTC)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  set(root ${CPACK_TOPLEVEL_DIRECTORY}/made-again)
  file(REMOVE_RECURSE ${root})
  execute_process(COMMAND dpkg-deb -R ${package} ${root} COMMAND_ERROR_IS_FATAL ANY)
  if(package MATCHES "-dbgsym_.*\\.ddeb$")
    file(MAKE_DIRECTORY ${root}/usr/share/doc)
    file(CREATE_LINK ${CPACK_PACKAGE_NAME} ${root}/usr/share/doc/${CPACK_PACKAGE_NAME}-dbgsym SYMBOLIC)
    execute_process(COMMAND find usr -type f -name *.debug -exec chmod 0644 {} +
                    WORKING_DIRECTORY ${root} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  execute_process(
    COMMAND sh -c "find . -type d -exec chmod 0755 {} + &&
                   find usr -type f -print0 | sort -z | xargs -0 md5sum > DEBIAN/md5sums &&
                   chmod 0644 DEBIAN/md5sums &&
                   find . -exec touch -h -d @$SOURCE_DATE_EPOCH {} +"
    WORKING_DIRECTORY ${root} COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND dpkg-deb --root-owner-group -b ${root} ${package}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${root})
endforeach()
