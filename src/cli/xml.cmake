# Default associations files, read and written through the XML seam: the
# portable reader and writer in every build, the system's XmlLite on Windows.
list(APPEND HOLLIN_CLI_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/default_associations.cpp
     ${CMAKE_CURRENT_LIST_DIR}/xml_portable.cpp
     ${CMAKE_CURRENT_LIST_DIR}/xml_screen.cpp)
list(APPEND HOLLIN_CLI_WIN32_SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32_xmllite.cpp)
