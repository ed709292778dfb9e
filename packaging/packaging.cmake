# Read by cpack before it packs: without dpkg-shlibdeps and file it would make
# a package that does not depend on the libraries the program needs.
foreach(tool dpkg-shlibdeps file)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(FATAL_ERROR "cpack needs ${tool} to find the package's dependencies: "
                        "install dpkg-dev and file (bash scripts/deps.sh package)")
  endif()
endforeach()
