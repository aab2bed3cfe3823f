# The Windows cross build: the layers core, isx, workbook and forms, the
# .xls and .xlsx writer modules (DLLs loaded with LoadLibraryW on first
# use, as the .so modules are on Linux), verdin-batch.exe and the unit
# tests that run under Wine; with Qt for Windows also the ui layer, the
# PDF module and verdin.exe (cmake/desktop.cmake, as on Linux).
# scripts/build-windows.sh configures it with cmake/mingw-w64-x86_64.cmake
# and the cached libxlsxwriter in CMAKE_PREFIX_PATH.
#
# The .xls container is written by the program's own compound-file writer
# (workbook/compound_file.cpp), which lays the file out as libgsf does, so
# no libgsf, glib or libxml2 is needed for Windows.

find_path(XLSXWRITER_INCLUDE_DIR xlsxwriter.h REQUIRED)
find_library(XLSXWRITER_LIBRARY NAMES libxlsxwriter.a xlsxwriter REQUIRED)
find_library(ZLIB_STATIC_LIBRARY NAMES libz.a z REQUIRED)
add_library(verdin_xlsxwriter INTERFACE)
target_include_directories(verdin_xlsxwriter INTERFACE ${XLSXWRITER_INCLUDE_DIR})
target_link_libraries(verdin_xlsxwriter INTERFACE ${XLSXWRITER_LIBRARY} ${ZLIB_STATIC_LIBRARY})

# GCC 12 warns falsely about overlapping copies in "text" + std::string
# (its bug 105329), on every such line; the Linux build keeps the warning.
add_compile_options(-Wno-restrict)
# Module entries are exported from the DLLs by name.
add_compile_definitions(VERDIN_MODULE_EXPORT=__declspec\(dllexport\))
# The known folders (Documents, AppData) and the wide command line.
verdin_layer(verdin_core core shell32 ole32 uuid)
verdin_layer(verdin_isx isx verdin_core)
verdin_layer(verdin_workbook workbook verdin_core)
get_target_property(VERDIN_WORKBOOK_SOURCES verdin_workbook SOURCES)
list(FILTER VERDIN_WORKBOOK_SOURCES EXCLUDE REGEX "/(xlsx?_(writer|module)|xls_container_[a-z]+)\\.cpp$")
set_target_properties(verdin_workbook PROPERTIES SOURCES "${VERDIN_WORKBOOK_SOURCES}")
add_library(verdin_xls STATIC workbook/xls_writer.cpp workbook/xls_container_compound.cpp)
target_link_libraries(verdin_xls PUBLIC verdin_workbook)
add_library(verdin_xlsx STATIC workbook/xlsx_writer.cpp)
target_link_libraries(verdin_xlsx PUBLIC verdin_workbook verdin_xlsxwriter)
verdin_layer(verdin_forms forms verdin_isx verdin_workbook)

function(verdin_writer_module target fileName entry)
  add_library(${target} MODULE ${entry})
  target_link_libraries(${target} PRIVATE ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${fileName} SUFFIX ".dll")
endfunction()
verdin_writer_module(verdin_xls_module verdin-xls workbook/xls_module.cpp verdin_xls)
verdin_writer_module(verdin_xlsx_module verdin-xlsx workbook/xlsx_module.cpp verdin_xlsx)
set(VERDIN_WRITER_MODULES verdin_xls_module verdin_xlsx_module)

# The desktop program and the PDF module, when Qt for Windows is in
# CMAKE_PREFIX_PATH (scripts/build-windows.sh builds it once; with
# --without-qt the build stops at the parts above).
find_package(Qt6 COMPONENTS Gui Widgets PrintSupport QUIET)
if(Qt6_FOUND)
  include(cmake/desktop.cmake)
  target_sources(verdin PRIVATE app/resources/verdin.rc)
  list(APPEND VERDIN_WRITER_MODULES verdin_pdf_module)
  # Qt's libraries and its platform plugin beside the programs, so that
  # the build folder runs as the package does (a module's libraries are
  # looked for beside it and the program, not on PATH).
  add_custom_command(TARGET verdin_pdf_module POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui>
            $<TARGET_FILE:Qt6::Widgets> $<TARGET_FILE:Qt6::PrintSupport> $<TARGET_FILE_DIR:verdin_pdf_module>
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:verdin_pdf_module>/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
            $<TARGET_FILE_DIR:verdin_pdf_module>/platforms)
endif()
add_custom_target(verdin_writer_modules DEPENDS ${VERDIN_WRITER_MODULES})
if(TARGET verdin)
  add_dependencies(verdin verdin_writer_modules)
endif()

add_executable(verdin-batch app/batch_main.cpp)
# The norm database commands; their module (verdin-norms) is not yet built
# for Windows, so they report it missing there.
target_sources(verdin-batch PRIVATE app/norm_commands.cpp)
target_link_libraries(verdin-batch PRIVATE verdin_forms)
add_dependencies(verdin-batch verdin_writer_modules)
target_compile_definitions(verdin-batch PRIVATE VERDIN_DEMO_DATA_DIR="${VERDIN_DEMO_DATA_DIR}")

# The mingw runtime the programs and modules share (one C++ library for
# the program and its modules), copied beside them.
set(VERDIN_MINGW_RUNTIME "" CACHE STRING "The mingw runtime DLLs to put beside the programs")
if(VERDIN_MINGW_RUNTIME)
  add_custom_command(TARGET verdin-batch POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VERDIN_MINGW_RUNTIME} $<TARGET_FILE_DIR:verdin-batch>)
endif()

if(VERDIN_BUILD_TESTS)
  enable_testing()
  # GoogleTest from its sources (Debian's googletest package), built for
  # Windows with the same compiler.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VERDIN_GOOGLETEST_SOURCE} googletest EXCLUDE_FROM_ALL)
  # The unit tests of core, isx, workbook and forms that need no POSIX
  # calls of their own; the tests of files, links, permissions and special
  # files are POSIX tests.
  set(VERDIN_WINDOWS_TESTS
    amount_bound_test amount_in_words_test atomic_file_test calculator_forms_test coefficient_form_test
    compound_file_test writer_modules_test
    construction_cost_form_test demo_estimate_test estimate_consistency_test estimate_figures_test
    estimate_list_test estimate_sheet_test file_chooser_model_test folders_test general_data_form_test
    isx_file_test key_filters_test line_reader_test main_commands_test norm_loader_test
    norm_tables_reading_test open_estimate_test pricing_test print_estimate_test row_heights_test
    rounding_test sheet_pages_test table_search_test text_forms_test window_state_test)
  list(TRANSFORM VERDIN_WINDOWS_TESTS PREPEND tests/)
  list(TRANSFORM VERDIN_WINDOWS_TESTS APPEND .cpp)
  add_executable(verdin_tests ${VERDIN_WINDOWS_TESTS})
  target_link_libraries(verdin_tests PRIVATE verdin_forms verdin_xls verdin_xlsx gtest gtest_main)
  add_dependencies(verdin_tests verdin_writer_modules verdin-batch)
  target_compile_definitions(verdin_tests PRIVATE VERDIN_DEMO_DATA_DIR="${VERDIN_DEMO_DATA_DIR}")
  add_test(NAME verdin_tests COMMAND verdin_tests)
endif()
