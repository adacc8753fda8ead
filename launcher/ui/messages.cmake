# Launcher texts and dialog computations (portable): version display, required-version phrase, error
# lines, dialog placement and link colours.
add_library(vw_launcher_messages STATIC
    ${CMAKE_CURRENT_LIST_DIR}/launcher_messages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialog_layout.cpp)
# The resource ids header names the download address the texts point at.
target_include_directories(vw_launcher_messages PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../resources)
target_link_libraries(vw_launcher_messages PUBLIC vw_launcher_config)

vw_add_test(launcher_messages_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/launcher_messages_test.cpp ${CMAKE_CURRENT_LIST_DIR}/dialog_layout_test.cpp
    LIBS vw_launcher_messages TIMEOUT 120)
