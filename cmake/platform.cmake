# What differs between the Linux build and the Windows cross build, and
# nothing else: the libraries the layers and the writers link, the .xls
# container, the writer modules' file suffix and link options, where the
# installed files go, and the unit tests that need POSIX calls. The build
# itself is described once in CMakeLists.txt.

if(WIN32)
  # The .xls container is written by the program's own compound-file
  # writer (workbook/compound_file.cpp), which lays the file out as libgsf
  # does, so no libgsf, glib or libxml2 is needed for Windows.
  # libxlsxwriter is the static build scripts/build-windows.sh keeps in
  # its cache (in CMAKE_PREFIX_PATH).
  find_path(XLSXWRITER_INCLUDE_DIR xlsxwriter.h REQUIRED)
  find_library(XLSXWRITER_LIBRARY NAMES libxlsxwriter.a xlsxwriter REQUIRED)
  find_library(ZLIB_STATIC_LIBRARY NAMES libz.a z REQUIRED)
  add_library(verdin_xlsxwriter INTERFACE)
  target_include_directories(verdin_xlsxwriter INTERFACE ${XLSXWRITER_INCLUDE_DIR})
  target_link_libraries(verdin_xlsxwriter INTERFACE ${XLSXWRITER_LIBRARY} ${ZLIB_STATIC_LIBRARY})
  add_library(verdin_xls_container INTERFACE)
  set(VERDIN_XLS_CONTAINER_SOURCE workbook/xls_container_compound.cpp)
  # The known folders (Documents, AppData) and the wide command line.
  set(VERDIN_CORE_SYSTEM_LIBRARIES shell32 ole32 uuid)

  # GCC 12 warns falsely about overlapping copies in "text" + std::string
  # (its bug 105329), on every such line; the Linux build keeps the warning.
  add_compile_options(-Wno-restrict)
  # Module entries are exported from the DLLs by name.
  add_compile_definitions(VERDIN_MODULE_EXPORT=__declspec\(dllexport\))
  set(VERDIN_MODULE_SUFFIX ".dll")

  # The package is one folder: programs, modules, the runtime and Qt
  # beside each other, the data in data/.
  set(VERDIN_INSTALL_PROGRAMS .)
  set(VERDIN_INSTALL_MODULES .)
  set(VERDIN_INSTALL_SHARED .)

  # Tests of files, links, permissions, special files and of workbooks
  # read back with the system's Python readers: POSIX only. Every other
  # test in tests/ runs under Wine too.
  set(VERDIN_POSIX_ONLY_TESTS fault_injection_test line_file_test pipes_and_devices_test save_targets_test
    xls_writer_test xlsx_writer_test)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GSF REQUIRED IMPORTED_TARGET libgsf-1)
  pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
  add_library(verdin_xlsxwriter INTERFACE)
  target_link_libraries(verdin_xlsxwriter INTERFACE PkgConfig::XLSXWRITER)
  add_library(verdin_xls_container INTERFACE)
  target_link_libraries(verdin_xls_container INTERFACE PkgConfig::GSF)
  set(VERDIN_XLS_CONTAINER_SOURCE workbook/xls_container_gsf.cpp)
  set(VERDIN_CORE_SYSTEM_LIBRARIES ${CMAKE_DL_LIBS})
  set(VERDIN_MODULE_SUFFIX ".so")

  include(GNUInstallDirs)
  set(VERDIN_INSTALL_PROGRAMS ${CMAKE_INSTALL_BINDIR})
  set(VERDIN_INSTALL_MODULES lib/verdin)
  set(VERDIN_INSTALL_SHARED ${CMAKE_INSTALL_DATADIR}/verdin)
  set(VERDIN_POSIX_ONLY_TESTS)
endif()

# A writer module: one entry file and the libraries behind it, exporting
# its entries only.
function(verdin_writer_module target fileName entry)
  add_library(${target} MODULE ${entry})
  target_link_libraries(${target} PRIVATE ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${fileName} SUFFIX ${VERDIN_MODULE_SUFFIX})
  if(WIN32)
    return()
  endif()
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  # Bound when loaded, so that a broken module is reported by the loader
  # instead of stopping the program at its first call.
  target_link_options(${target} PRIVATE
    "-Wl,--version-script=${PROJECT_SOURCE_DIR}/workbook/writer_module.map" -Wl,-z,now)
  if(NOT VERDIN_SANITIZE AND NOT VERDIN_FUZZ)
    target_link_options(${target} PRIVATE -Wl,-z,defs)
  endif()
endfunction()
