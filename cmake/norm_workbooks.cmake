# ---- Norm database workbooks (export-norms, import-norms) -------------------
# The workbook of the norm database is written with libxlsxwriter and read
# with minizip (the zip archive) and expat (its XML parts), .xls with
# FreeXL. All four live in one module, verdin-norms, loaded on first use
# like the writer modules, so that neither program loads them at start.
# Included from CMakeLists.txt after the programs and the tests are defined.
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(EXPAT REQUIRED IMPORTED_TARGET expat)
pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)

add_library(verdin_norm_io STATIC
  workbook/norm_io/norm_xlsx_writer.cpp
  workbook/norm_io/norm_xlsx_reader.cpp
  workbook/norm_io/norm_xls_reader.cpp)
target_link_libraries(verdin_norm_io PUBLIC verdin_workbook PkgConfig::XLSXWRITER PkgConfig::MINIZIP
  PkgConfig::EXPAT PkgConfig::FREEXL)
set_target_properties(verdin_norm_io PROPERTIES POSITION_INDEPENDENT_CODE ON)

add_library(verdin_norms_module MODULE workbook/norm_io/norms_module.cpp)
target_link_libraries(verdin_norms_module PRIVATE verdin_norm_io)
set_target_properties(verdin_norms_module PROPERTIES PREFIX "" OUTPUT_NAME verdin-norms SUFFIX ".so"
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_options(verdin_norms_module PRIVATE
  "-Wl,--version-script=${PROJECT_SOURCE_DIR}/workbook/norm_io/norms_module.map" -Wl,-z,now)
if(NOT VERDIN_SANITIZE AND NOT VERDIN_FUZZ)
  target_link_options(verdin_norms_module PRIVATE -Wl,-z,defs)
endif()
add_dependencies(verdin_writer_modules verdin_norms_module)
install(TARGETS verdin_norms_module LIBRARY DESTINATION lib/verdin)

if(VERDIN_BUILD_TESTS)
  target_link_libraries(verdin_tests PRIVATE verdin_norm_io)
  add_test(NAME batch_norm_workbooks
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_norms_test.py $<TARGET_FILE:verdin-batch>)
endif()
# ---- end of the norm database workbooks --------------------------------------
