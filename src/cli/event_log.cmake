# The event log: what a run for scripts writes to the Application log.
list(APPEND HOLLIN_CLI_SOURCES ${CMAKE_CURRENT_LIST_DIR}/event_log.cpp)
list(APPEND HOLLIN_CLI_WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32_event_log.cpp)
if(WIN32)
  target_link_libraries(hollin_cli PUBLIC advapi32)
endif()
