# Runs after CPack has made its packages (still in its staging folder, before
# they are copied out): writes SHA256SUMS into the package folder.
foreach(f IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 "${f}" sum)
  get_filename_component(name "${f}" NAME)
  string(APPEND lines "${sum}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${lines}")
