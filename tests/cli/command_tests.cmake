hollin_add_test(cli_command_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/options_test.cpp ${CMAKE_CURRENT_LIST_DIR}/command_test.cpp
                LIBS hollin_cli)
