# Makes the Windows zip and installer from what `cmake --install` stages
# (run by the target verdin_package):
#   cmake -DBUILD=<build folder> -DPACKAGE=<staging folder> -DDIST=<output folder>
#         -DVERSION=<version> -DMAKENSIS=<makensis> -DSCRIPT=<verdin-setup.nsi> -P make_package.cmake
# The installer's two file lists, what it puts into the program folder and
# what its uninstaller takes away again, are written from the install
# manifest, so that the uninstaller removes exactly what was installed and
# nothing else in the folder the user chose.

set(stage ${PACKAGE}/Verdin)
file(REMOVE_RECURSE ${PACKAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${stage}
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(STRINGS ${BUILD}/install_manifest.txt files ENCODING UTF-8)
list(SORT files)

# A path below the stage as the installer names it: $INSTDIR\folder\file.
function(installed_name path out)
  file(RELATIVE_PATH relative "${stage}" "${path}")
  string(REPLACE "/" "\\" relative "${relative}")
  if(relative STREQUAL "")
    set(${out} "$INSTDIR" PARENT_SCOPE)
  else()
    set(${out} "$INSTDIR\\${relative}" PARENT_SCOPE)
  endif()
endfunction()

set(install_lines)
set(uninstall_lines)
set(folders)
set(current_folder)
foreach(file ${files})
  get_filename_component(folder "${file}" DIRECTORY)
  if(NOT folder STREQUAL current_folder)
    set(current_folder "${folder}")
    list(APPEND folders "${folder}")
    installed_name("${folder}" name)
    string(APPEND install_lines "SetOutPath \"${name}\"\n")
  endif()
  installed_name("${file}" name)
  string(APPEND install_lines "File \"${file}\"\n")
  string(APPEND uninstall_lines "Delete \"${name}\"\n")
endforeach()
string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
# The folders below the program folder, the deepest first; RMDir removes
# a folder only when it is empty, so anything the user put there stays.
set(with_parents)
foreach(folder ${folders})
  while(NOT folder STREQUAL stage)
    list(APPEND with_parents "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
set(folders ${with_parents})
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder ${folders})
  installed_name("${folder}" name)
  string(APPEND uninstall_lines "RMDir \"${name}\"\n")
endforeach()
file(WRITE ${PACKAGE}/lists/install-files.nsh "${install_lines}")
file(WRITE ${PACKAGE}/lists/uninstall-files.nsh "${uninstall_lines}")

file(MAKE_DIRECTORY ${DIST})
set(zip ${DIST}/Verdin-${VERSION}-win64.zip)
file(REMOVE ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Verdin
  WORKING_DIRECTORY ${PACKAGE} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8 -DFILES=${PACKAGE}/lists
  -DOUTFILE=${DIST}/Verdin-${VERSION}-setup.exe ${SCRIPT} COMMAND_ERROR_IS_FATAL ANY)
