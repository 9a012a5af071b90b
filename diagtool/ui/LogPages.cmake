# The "Error Files" and "Event Log" pages, the message prompter they share
# and the interface through which an error log entry opens the lookup.
add_library(diagtool_ui_logs STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/ErrorJumpTarget.h
  ${CMAKE_CURRENT_SOURCE_DIR}/MessagePrompter.h
  ${CMAKE_CURRENT_SOURCE_DIR}/MessagePrompter.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LiveProgress.h
  ${CMAKE_CURRENT_SOURCE_DIR}/LiveProgress.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TreeRows.h
  ${CMAKE_CURRENT_SOURCE_DIR}/TreeRows.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ErrorFilesTreeWidget.h
  ${CMAKE_CURRENT_SOURCE_DIR}/ErrorFilesTreeWidget.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ErrorFilesWidget.h
  ${CMAKE_CURRENT_SOURCE_DIR}/ErrorFilesWidget.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/EventLogModel.h
  ${CMAKE_CURRENT_SOURCE_DIR}/EventLogModel.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/EventLogView.h
  ${CMAKE_CURRENT_SOURCE_DIR}/EventLogView.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/EventLogWidget.h
  ${CMAKE_CURRENT_SOURCE_DIR}/EventLogWidget.cpp)
qm_warnings(diagtool_ui_logs)
target_include_directories(diagtool_ui_logs PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(diagtool_ui_logs PUBLIC diagtool::logs diagtool::eventlog diagtool::customerlog Qt6::Widgets
  qm_platform_headers qm_platform_wintext)
add_library(diagtool::ui_logs ALIAS diagtool_ui_logs)
