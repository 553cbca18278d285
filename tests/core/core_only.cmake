# Builds the core libraries (common, registry, base, compare) from a copy of
# their four folders, with no other source of the program in reach, links
# core_main.cpp against them and runs it: a core that included a window's,
# the messages' or the command line's header, or called into them, fails
# here. Run by ctest (core_without_ui) as
#   cmake -DSOURCE=<repo> -DWORK=<folder> -DCXX=<compiler> -P core_only.cmake
file(REMOVE_RECURSE ${WORK}/src)
foreach(part common registry base compare)
  file(COPY ${SOURCE}/src/${part} DESTINATION ${WORK}/src)
endforeach()
file(COPY ${SOURCE}/res/version.h.in ${SOURCE}/tests/core/core_main.cpp DESTINATION ${WORK})
file(WRITE ${WORK}/CMakeLists.txt [[
cmake_minimum_required(VERSION 3.25)
project(hollin_core VERSION 1.0.0 LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(HOLLIN_TITLE "Hollin")
set(HOLLIN_PRODUCT "Brellmark")
set(HOLLIN_GENERATED ${PROJECT_BINARY_DIR}/generated)
configure_file(version.h.in ${HOLLIN_GENERATED}/hollin_version.h @ONLY)
foreach(part common registry base compare)
  add_subdirectory(src/${part})
endforeach()
add_executable(core_main core_main.cpp)
target_link_libraries(core_main PRIVATE hollin_compare)
]])
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK} -B ${WORK}/build -G Ninja -DCMAKE_BUILD_TYPE=
                        -DCMAKE_CXX_COMPILER=${CXX}
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "the core libraries alone do not configure")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "the core libraries alone do not build and link")
endif()
file(REMOVE_RECURSE ${WORK}/run)
file(MAKE_DIRECTORY ${WORK}/run)
execute_process(COMMAND ${WORK}/build/core_main ${WORK}/run RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "the check through the core alone failed (${rc})")
endif()
