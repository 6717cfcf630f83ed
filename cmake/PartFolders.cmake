# add_part_folders(): adds every subfolder of the current source folder that
# has a CMakeLists.txt. The Qt layers (app, workflows, results) are left out
# when the build has no Qt parts.
function(add_part_folders)
  file(GLOB dirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir IN LISTS dirs)
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      get_filename_component(name ${dir} NAME)
      if(NOT VELMORA_BUILD_GUI AND name MATCHES "^(app|workflows|results)$")
        continue()
      endif()
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
