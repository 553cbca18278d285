# tests of the event log
hollin_add_test(cli_event_log_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/event_log_test.cpp LIBS hollin_cli)
