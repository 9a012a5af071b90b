# The "Diagnostics" page, the main dialog and what the program starts with.
add_library(diagtool_ui_diagnostics STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/DiagnosticsWidget.h
  ${CMAKE_CURRENT_SOURCE_DIR}/DiagnosticsWidget.cpp)
qm_warnings(diagtool_ui_diagnostics)
target_include_directories(diagtool_ui_diagnostics PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(diagtool_ui_diagnostics PUBLIC diagtool::ui_media diagtool::windows Qt6::Widgets)
add_library(diagtool::ui_diagnostics ALIAS diagtool_ui_diagnostics)

qm_add_test(diagnostics_widget_test QT
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/DiagnosticsWidgetTest.cpp
  LIBS diagtool::ui_diagnostics qmmachine_command platform::system)
if(TARGET diagnostics_widget_test)
  target_include_directories(diagnostics_widget_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_compile_definitions(diagnostics_widget_test PRIVATE QM_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()

# The main dialog: the simple view and the four pages of the advanced view.
add_library(diagtool_ui_main STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/MainDialog.h
  ${CMAKE_CURRENT_SOURCE_DIR}/MainDialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/SaveBundleDialog.h
  ${CMAKE_CURRENT_SOURCE_DIR}/SaveBundleDialog.cpp)
qm_warnings(diagtool_ui_main)
target_include_directories(diagtool_ui_main PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(diagtool_ui_main PUBLIC diagtool::ui_diagnostics diagtool::ui_logs
  diagtool::ui_utilities diagtool::ui_simple diagtool::bundle platform::system)
add_library(diagtool::ui_main ALIAS diagtool_ui_main)

# What the program shows: the window on the machine it started on, replaced
# by a new one when a support bundle is opened.
add_library(diagtool_ui_shell STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/DiagtoolShell.h
  ${CMAKE_CURRENT_SOURCE_DIR}/DiagtoolShell.cpp)
qm_warnings(diagtool_ui_shell)
target_include_directories(diagtool_ui_shell PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(diagtool_ui_shell PUBLIC diagtool::ui_main diagtool::open_machine)
add_library(diagtool::ui_shell ALIAS diagtool_ui_shell)

qm_add_test(main_dialog_test QT
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/MainDialogTest.cpp
  LIBS diagtool::ui_main diagtool::content diagtool::session diagtool::catalogue qmmachine_command Qt6::Test)
if(TARGET main_dialog_test)
  target_include_directories(main_dialog_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_compile_definitions(main_dialog_test PRIVATE QM_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()

# Pictures of the window on the default machine (not a test: it looks at
# whatever QUILLMARK_SYSROOT names).
add_executable(diagtool_screenshots ${CMAKE_CURRENT_SOURCE_DIR}/tests/Screenshots.cpp)
qm_warnings(diagtool_screenshots)
target_link_libraries(diagtool_screenshots PRIVATE diagtool::ui_main diagtool::content diagtool::session)

if(TARGET diagtool::bundle_reader)
  qm_add_test(bundle_dialogs_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/BundleDialogsTest.cpp
    LIBS diagtool::ui_shell diagtool::content qmmachine_command Qt6::Test TIMEOUT 300)
endif()

# Pictures of File > Save Support Bundle and of the window on the bundle it
# saved, opened again (not a test: it saves what QUILLMARK_SYSROOT names).
add_executable(diagtool_bundle_screenshots ${CMAKE_CURRENT_SOURCE_DIR}/tests/BundleScreenshots.cpp)
qm_warnings(diagtool_bundle_screenshots)
target_link_libraries(diagtool_bundle_screenshots PRIVATE diagtool::ui_shell diagtool::content)
