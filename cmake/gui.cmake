# The Qt 6 window, built from src/gui/ alone, the one folder with Qt. brumel_qt holds the widgets
# and the Qt side of the ports, so that the widget tests link the same code as the program;
# brumel is the program itself.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

set(BRUMEL_QT_SOURCES
  src/gui/bitmap_image.cpp
  src/gui/design_font.cpp
  src/gui/file_dialogs.cpp
  src/gui/image_pane.cpp
  src/gui/message_boxes.cpp
  src/gui/name_filters.cpp
  src/gui/levels_dialog.cpp
  src/gui/picture_drop.cpp
  src/gui/restore_menu.cpp
  src/gui/correct.cpp
  src/gui/yorn.cpp
  src/gui/asking_window.cpp
  src/gui/compare_view.cpp
  src/gui/compare_labels.cpp
  src/gui/compare_placement.cpp
  src/gui/compare_window.cpp
)

add_library(brumel_qt STATIC ${BRUMEL_QT_SOURCES})
set_target_properties(brumel_qt PROPERTIES AUTOMOC ON)
target_link_libraries(brumel_qt PUBLIC brumel_core Qt6::Widgets)

add_executable(brumel src/gui/main.cpp)
set_target_properties(brumel PROPERTIES AUTOMOC ON)
target_link_libraries(brumel PRIVATE brumel_qt)
qt_add_resources(brumel brumel_icon PREFIX /icons BASE data/icons
  FILES data/icons/example.brumel.Brumel.png)

# Draws the window's screenshot of README.md (not installed, not needed by the program).
add_executable(window_screenshot tools/window_screenshot.cpp)
target_link_libraries(window_screenshot PRIVATE brumel_qt)

# Draws the Compare window's screenshot of README.md.
add_executable(compare_screenshot tools/compare_screenshot.cpp)
target_link_libraries(compare_screenshot PRIVATE brumel_qt)
