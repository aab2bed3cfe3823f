# The desktop program on Qt, built the same way on Linux and Windows: the
# ui layer, the PDF drawing, its writer module, the composition root and
# the program verdin. Included after the writer-module function of the
# platform (verdin_writer_module) is defined.

verdin_layer(verdin_ui ui verdin_forms verdin_pdf Qt6::Widgets Qt6::PrintSupport)
set_target_properties(verdin_ui PROPERTIES AUTOMOC ON)

# The estimate drawn as a PDF document with Qt's own PDF writer. It needs
# Qt Gui only, so the batch tool can write PDFs without the widgets.
file(GLOB VERDIN_PDF_SOURCES CONFIGURE_DEPENDS ui/pdf/*.cpp)
list(FILTER VERDIN_PDF_SOURCES EXCLUDE REGEX "/pdf_module\\.cpp$")
add_library(verdin_pdf STATIC ${VERDIN_PDF_SOURCES})
target_include_directories(verdin_pdf PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(verdin_pdf PUBLIC verdin_workbook Qt6::Gui)
set_target_properties(verdin_pdf PROPERTIES POSITION_INDEPENDENT_CODE ON)
verdin_writer_module(verdin_pdf_module verdin-pdf ui/pdf/pdf_module.cpp verdin_pdf)

# The composition root of the desktop program, shared with the window tests.
add_library(verdin_desktop STATIC app/desktop_session.cpp app/window_places.cpp)
target_link_libraries(verdin_desktop PUBLIC verdin_ui)
set_target_properties(verdin_desktop PROPERTIES AUTOMOC ON)

# A window program on Windows (no console beside it); the flag means
# nothing elsewhere.
add_executable(verdin WIN32 app/desktop_main.cpp)
target_link_libraries(verdin PRIVATE verdin_desktop)
target_compile_definitions(verdin PRIVATE VERDIN_DEMO_DATA_DIR="${VERDIN_DEMO_DATA_DIR}")
