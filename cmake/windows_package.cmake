# The Windows package, from the install rules: `cmake --install` stages
# the programs, their modules, the mingw runtime and, with Qt, the Qt
# libraries, one platform plugin and one style, Qt's Russian texts and
# qt.conf into one folder, all stripped. The target verdin_package stages
# that folder anew and makes dist/Verdin-<version>-win64.zip and the
# installer dist/Verdin-<version>-setup.exe from exactly what was staged
# (cmake/make_package.cmake).

# The runtime the programs and modules share (one C++ library for the
# program and its modules).
set(VERDIN_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE runtime_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${runtime_dll}" OR NOT EXISTS "${runtime_dll}")
    message(FATAL_ERROR "The mingw runtime ${dll} is missing.")
  endif()
  get_filename_component(runtime_dll ${runtime_dll} REALPATH)
  list(APPEND VERDIN_MINGW_RUNTIME ${runtime_dll})
endforeach()

# The build folder runs as the package does: the runtime and Qt beside
# the programs (a module's libraries are looked for beside it and the
# program, not on PATH).
add_custom_command(TARGET verdin-batch POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VERDIN_MINGW_RUNTIME} $<TARGET_FILE_DIR:verdin-batch>)
install(FILES ${VERDIN_MINGW_RUNTIME} DESTINATION .)

if(VERDIN_WITH_QT)
  set(VERDIN_QT_LIBRARIES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
    $<TARGET_FILE:Qt6::PrintSupport>)
  set(VERDIN_QT_PLATFORM $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>)
  set(VERDIN_QT_STYLE ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/styles/qwindowsvistastyle.dll)
  find_file(VERDIN_QT_RUSSIAN qtbase_ru.qm PATHS /usr/share/qt6/translations NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  add_custom_command(TARGET verdin_pdf_module POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VERDIN_QT_LIBRARIES} $<TARGET_FILE_DIR:verdin_pdf_module>
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:verdin_pdf_module>/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VERDIN_QT_PLATFORM} $<TARGET_FILE_DIR:verdin_pdf_module>/platforms)
  install(FILES ${VERDIN_QT_LIBRARIES} DESTINATION .)
  install(FILES ${VERDIN_QT_PLATFORM} DESTINATION platforms)
  install(FILES ${VERDIN_QT_STYLE} DESTINATION styles)
  install(FILES ${VERDIN_QT_RUSSIAN} DESTINATION translations)
  # Qt looks for its plugins and translations beside the program.
  file(WRITE ${CMAKE_BINARY_DIR}/qt.conf "[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n")
  install(FILES ${CMAKE_BINARY_DIR}/qt.conf DESTINATION .)
endif()

# Every program and library staged, stripped of what only a debugger
# reads (the installed files are listed in CMAKE_INSTALL_MANIFEST_FILES
# while the install runs).
install(CODE "
  set(binaries \${CMAKE_INSTALL_MANIFEST_FILES})
  list(FILTER binaries INCLUDE REGEX \"\\\\.(exe|dll)$\")
  execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded \${binaries} COMMAND_ERROR_IS_FATAL ANY)
")

if(VERDIN_WITH_QT)
  find_program(VERDIN_MAKENSIS makensis REQUIRED)
  configure_file(app/resources/verdin-setup.nsi.in ${CMAKE_BINARY_DIR}/verdin-setup.nsi @ONLY)
  add_custom_target(verdin_package
    COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DPACKAGE=${CMAKE_BINARY_DIR}/package
            -DDIST=${PROJECT_SOURCE_DIR}/dist -DVERSION=${PROJECT_VERSION} -DMAKENSIS=${VERDIN_MAKENSIS}
            -DSCRIPT=${CMAKE_BINARY_DIR}/verdin-setup.nsi -P ${PROJECT_SOURCE_DIR}/cmake/make_package.cmake
    COMMENT "Packaging dist/Verdin-${PROJECT_VERSION}-win64.zip and dist/Verdin-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
  add_dependencies(verdin_package verdin verdin-batch verdin_writer_modules)
endif()
