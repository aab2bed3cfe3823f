# The test programs and script tests that run on Linux only: the
# durability test (it replaces C library calls), the PDF read-back with
# poppler, the window tests, and the tests of the programs through shell
# and Python scripts. Included by CMakeLists.txt with the tests on.

# Checks that every file is flushed to the disk before it is renamed into
# place. It replaces the C library's fsync and rename with recording ones,
# so it runs as a program of its own.
add_executable(verdin_durability_tests tests/durability/sync_before_rename_test.cpp)
target_link_libraries(verdin_durability_tests PRIVATE verdin_forms GTest::gtest GTest::gtest_main
  ${CMAKE_DL_LIBS})
add_dependencies(verdin_durability_tests verdin_writer_modules)
target_include_directories(verdin_durability_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
gtest_discover_tests(verdin_durability_tests DISCOVERY_TIMEOUT 60)

# The PDF documents read back with poppler's pdftotext and pdfinfo.
file(GLOB VERDIN_PDF_TEST_SOURCES CONFIGURE_DEPENDS tests/pdf/*.cpp)
add_executable(verdin_pdf_tests ${VERDIN_PDF_TEST_SOURCES})
target_link_libraries(verdin_pdf_tests PRIVATE verdin_pdf verdin_forms GTest::gtest GTest::gtest_main)
add_dependencies(verdin_pdf_tests verdin_writer_modules)
target_include_directories(verdin_pdf_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
gtest_discover_tests(verdin_pdf_tests DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# Window tests drive the real widgets on the offscreen platform.
file(GLOB VERDIN_WINDOW_TEST_SOURCES CONFIGURE_DEPENDS tests/windows/*.cpp)
find_package(Qt6 REQUIRED COMPONENTS Test)
add_executable(verdin_window_tests ${VERDIN_WINDOW_TEST_SOURCES})
target_link_libraries(verdin_window_tests PRIVATE verdin_desktop GTest::gtest Qt6::Test)
add_dependencies(verdin_window_tests verdin_writer_modules)
target_include_directories(verdin_window_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_compile_definitions(verdin_window_tests PRIVATE VERDIN_DEMO_DATA_DIR="${VERDIN_DEMO_DATA_DIR}")
gtest_discover_tests(verdin_window_tests DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
# The start-up windows under a real window manager (openbox) on virtual
# X screens of a laptop and of a desktop.
foreach(screen 1366x768 1920x1080)
  add_test(NAME windows_under_openbox_${screen}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/windows/under_window_manager.sh ${screen}
            $<TARGET_FILE:verdin_window_tests> --gtest_filter=UnderAWindowManager.*)
  set_tests_properties(windows_under_openbox_${screen} PROPERTIES ENVIRONMENT
    "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/tests/windows/leak_suppressions.txt")
endforeach()
add_test(NAME batch_tables_on_demo_database
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_tables_on_demo.sh $<TARGET_FILE:verdin-batch>)
# The read-back tests use the system's Python with python3-xlrd and
# python3-openpyxl from the distribution.
if(EXISTS /usr/bin/python3 AND NOT Python3_EXECUTABLE)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME layering
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/layering_test.py ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME layering_self_check
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/layering_test.py --self-check)
add_test(NAME batch_price
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_price_test.py $<TARGET_FILE:verdin-batch>)
add_test(NAME batch_line_feeds
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_line_feeds_test.py $<TARGET_FILE:verdin-batch>
          ${CMAKE_CURRENT_SOURCE_DIR})
find_program(VALGRIND valgrind)
# Memory limits and the sanitizers' huge address space do not mix.
if(NOT VERDIN_SANITIZE)
  add_test(NAME batch_memory
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_memory_test.py
            $<TARGET_FILE:verdin-batch> ${CMAKE_CURRENT_SOURCE_DIR}/data)
endif()
if(VALGRIND AND NOT VERDIN_SANITIZE)
  add_test(NAME valgrind_batch_estimate
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/valgrind_estimate.sh $<TARGET_FILE:verdin-batch>)
endif()
add_test(NAME install_finds_its_demo_database
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/install_test.sh ${CMAKE_BINARY_DIR})
add_test(NAME batch_estimate
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_estimate_test.py $<TARGET_FILE:verdin-batch>)
add_test(NAME batch_loads_only_the_writer_it_uses
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_modules_test.py $<TARGET_FILE:verdin-batch>)
add_test(NAME batch_hostile_surroundings
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_hostile_test.py $<TARGET_FILE:verdin-batch>
          $<$<BOOL:${VERDIN_SANITIZE}>:--sanitized>)
add_test(NAME batch_pdf
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_pdf_test.py $<TARGET_FILE:verdin-batch>)
# Signals, full disks, cut modules, foreign files and two users of one folder.
add_test(NAME batch_reliability
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_reliability_test.py $<TARGET_FILE:verdin-batch>)

# The 50-item test estimate of scripts/bench.sh and scripts/test-windows.sh.
add_executable(verdin_estimate_of_items tests/tools/estimate_of_items.cpp)
target_link_libraries(verdin_estimate_of_items PRIVATE verdin_isx)
