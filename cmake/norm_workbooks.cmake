# ---- Norm database workbooks (export-norms, import-norms) -------------------
# The workbook of the norm database is written with libxlsxwriter and read
# with minizip (the zip archive) and expat (its XML parts), .xls with
# FreeXL. All four live in one module, verdin-norms, loaded on first use
# like the writer modules, so that neither program loads them at start.
# Included from CMakeLists.txt after the programs and the tests are defined.
add_library(verdin_norm_libraries INTERFACE)
if(WIN32)
  # On Windows the four are the static builds scripts/build-windows.sh
  # keeps in its cache (in CMAKE_PREFIX_PATH); FreeXL's iconv is the one
  # of libgpg-error, which calls the system's code page conversions.
  find_path(MINIZIP_INCLUDE_DIR minizip/unzip.h REQUIRED)
  find_path(EXPAT_INCLUDE_DIR expat.h REQUIRED)
  find_path(FREEXL_INCLUDE_DIR freexl.h REQUIRED)
  find_library(MINIZIP_LIBRARY NAMES libminizip.a REQUIRED)
  find_library(EXPAT_LIBRARY NAMES libexpat.a REQUIRED)
  find_library(FREEXL_LIBRARY NAMES libfreexl.a REQUIRED)
  find_library(ICONV_LIBRARY NAMES libgpg-error.a REQUIRED)
  target_include_directories(verdin_norm_libraries INTERFACE ${MINIZIP_INCLUDE_DIR} ${EXPAT_INCLUDE_DIR}
    ${FREEXL_INCLUDE_DIR})
  # expat's header marks its functions as imported from a DLL unless told
  # the library is static.
  target_compile_definitions(verdin_norm_libraries INTERFACE XML_STATIC)
  target_link_libraries(verdin_norm_libraries INTERFACE verdin_xlsxwriter ${MINIZIP_LIBRARY} ${EXPAT_LIBRARY}
    ${FREEXL_LIBRARY} ${ICONV_LIBRARY} ${ZLIB_STATIC_LIBRARY} ws2_32)
else()
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  pkg_check_modules(EXPAT REQUIRED IMPORTED_TARGET expat)
  pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)
  target_link_libraries(verdin_norm_libraries INTERFACE PkgConfig::XLSXWRITER PkgConfig::MINIZIP
    PkgConfig::EXPAT PkgConfig::FREEXL)
endif()

add_library(verdin_norm_io STATIC
  workbook/norm_io/norm_xlsx_writer.cpp
  workbook/norm_io/norm_xlsx_reader.cpp
  workbook/norm_io/norm_xls_reader.cpp)
# verdin_xlsx for the check of a finished package, as the estimate's .xlsx
# writer makes it.
target_link_libraries(verdin_norm_io PUBLIC verdin_workbook verdin_xlsx verdin_norm_libraries)
set_target_properties(verdin_norm_io PROPERTIES POSITION_INDEPENDENT_CODE ON)

add_library(verdin_norms_module MODULE workbook/norm_io/norms_module.cpp)
target_link_libraries(verdin_norms_module PRIVATE verdin_norm_io)
set_target_properties(verdin_norms_module PROPERTIES PREFIX "" OUTPUT_NAME verdin-norms
  SUFFIX ${VERDIN_MODULE_SUFFIX})
if(NOT WIN32)
  set_target_properties(verdin_norms_module PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(verdin_norms_module PRIVATE
    "-Wl,--version-script=${PROJECT_SOURCE_DIR}/workbook/norm_io/norms_module.map" -Wl,-z,now)
  if(NOT VERDIN_SANITIZE AND NOT VERDIN_FUZZ)
    target_link_options(verdin_norms_module PRIVATE -Wl,-z,defs)
  endif()
endif()
add_dependencies(verdin_writer_modules verdin_norms_module)
install(TARGETS verdin_norms_module LIBRARY DESTINATION ${VERDIN_INSTALL_MODULES})

if(VERDIN_BUILD_TESTS)
  target_link_libraries(verdin_tests PRIVATE verdin_norm_io)
  if(NOT WIN32)
    add_test(NAME batch_norm_workbooks
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_norms_test.py $<TARGET_FILE:verdin-batch>)
  endif()
endif()
# ---- end of the norm database workbooks --------------------------------------
