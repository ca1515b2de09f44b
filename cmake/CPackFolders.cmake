# Run by cpack once the package's files are staged: every staged folder 0755, whatever
# the umask of whoever packs (cpack makes some of them itself, with the umask's modes).
file(GLOB_RECURSE _staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(_path IN LISTS _staged)
  if(IS_DIRECTORY "${_path}" AND NOT IS_SYMLINK "${_path}")
    file(CHMOD "${_path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
      WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
