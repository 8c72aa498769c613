# The Qt 6 window. brumel_qt holds the widgets and the Qt side of the ports, so that the widget
# tests link the same code as the program; brumel is the program itself.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

set(BRUMEL_QT_SOURCES
  src/platform/qt/bitmap_image.cpp
  src/platform/qt/design_font.cpp
  src/platform/qt/file_dialogs.cpp
  src/platform/qt/image_pane.cpp
  src/platform/qt/message_boxes.cpp
  src/platform/qt/name_filters.cpp
  src/correct/correct.cpp
  src/update/yorn.cpp
)

add_library(brumel_qt STATIC ${BRUMEL_QT_SOURCES})
set_target_properties(brumel_qt PROPERTIES AUTOMOC ON)
target_link_libraries(brumel_qt PUBLIC brumel_core Qt6::Widgets)

add_executable(brumel src/main/main.cpp)
set_target_properties(brumel PROPERTIES AUTOMOC ON)
target_link_libraries(brumel PRIVATE brumel_qt)
qt_add_resources(brumel brumel_icon PREFIX /icons BASE data/icons
  FILES data/icons/example.brumel.Brumel.png)

# Draws the window's screenshot of README.md (not installed, not needed by the program).
add_executable(window_screenshot tools/window_screenshot.cpp)
target_link_libraries(window_screenshot PRIVATE brumel_qt)
