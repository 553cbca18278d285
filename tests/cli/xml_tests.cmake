hollin_add_test(default_associations_test
                SOURCES ${CMAKE_CURRENT_LIST_DIR}/default_associations_test.cpp
                LIBS hollin_cli)
