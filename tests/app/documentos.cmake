# Tests of the pictures, the illustration and about windows, the document menu
# handlers, the generators' helpers, and the shipped documents and help file.
# Included from tools/CMakeLists.txt (and harmlessly from tests/app/CMakeLists.txt too:
# the guard below defines the targets once).
include_guard(GLOBAL)
find_package(Qt6 REQUIRED COMPONENTS Test Widgets)

add_executable(test_documentos ${CMAKE_CURRENT_LIST_DIR}/test_documentos.cpp)
set_target_properties(test_documentos PROPERTIES AUTOMOC ON)
target_link_libraries(test_documentos PRIVATE nivora_app nivora_ferramentas Qt6::Test JPEG::JPEG)
target_compile_definitions(test_documentos PRIVATE NIVORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_test(NAME test_documentos COMMAND test_documentos)
set_tests_properties(test_documentos PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                                LABELS "app;documentos")

add_executable(test_documentos_gerados ${CMAKE_CURRENT_LIST_DIR}/test_documentos_gerados.cpp)
set_target_properties(test_documentos_gerados PROPERTIES AUTOMOC ON)
target_link_libraries(test_documentos_gerados PRIVATE nivora_app nivora_cli_argumentos nivora_coords
                                                      nivora_text Qt6::Test Qt6::Gui)
target_include_directories(test_documentos_gerados PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(test_documentos_gerados PRIVATE
  NIVORA_BIN_DIR="${NIVORA_BIN_DIR}" NIVORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# The documents and the help are laid out in bin/ by the build.
add_dependencies(test_documentos_gerados nivora_documentos nivora_dist)
add_test(NAME test_documentos_gerados COMMAND test_documentos_gerados)
set_tests_properties(test_documentos_gerados PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                                        LABELS "app;documentos")
