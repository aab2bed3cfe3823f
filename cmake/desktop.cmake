# The desktop program on Qt, built the same way on Linux and Windows: the
# ui layer, the PDF drawing, its writer module, the composition root and
# the program verdin.

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

# The fonts of the PDF documents (Liberation Serif, regular and bold; SIL
# Open Font License), the metric twins of the sheet's Times New Roman,
# shipped with the program so that a PDF has the same words, line breaks
# and bold on every system. They come from Debian's fonts-liberation and
# are copied into fonts/ beside the programs of the build folder, where
# the PDF module looks first.
set(VERDIN_FONT_DIR /usr/share/fonts/truetype/liberation CACHE PATH "The folder of LiberationSerif-*.ttf")
set(VERDIN_PDF_FONTS)
foreach(face Regular Bold)
  set(font ${VERDIN_FONT_DIR}/LiberationSerif-${face}.ttf)
  if(NOT EXISTS ${font})
    message(FATAL_ERROR "${font} is missing (Debian's fonts-liberation).")
  endif()
  list(APPEND VERDIN_PDF_FONTS ${font})
  file(COPY ${font} DESTINATION ${CMAKE_BINARY_DIR}/fonts)
endforeach()

# The composition root of the desktop program, shared with the window tests.
add_library(verdin_desktop STATIC app/desktop_session.cpp app/window_places.cpp)
target_link_libraries(verdin_desktop PUBLIC verdin_ui)
set_target_properties(verdin_desktop PROPERTIES AUTOMOC ON)

# A window program on Windows (no console beside it); the flag means
# nothing elsewhere.
add_executable(verdin WIN32 app/desktop_main.cpp)
target_link_libraries(verdin PRIVATE verdin_desktop)
target_compile_definitions(verdin PRIVATE VERDIN_DEMO_DATA_DIR="${VERDIN_DEMO_DATA_DIR}")
add_dependencies(verdin verdin_pdf_module verdin_xls_module verdin_xlsx_module)
if(WIN32)
  target_sources(verdin PRIVATE app/resources/verdin.rc)
endif()
