# Helpers that keep the per-folder CMakeLists short.

set(SKYWEAVE_WARNINGS -Wall -Wextra -Wpedantic)

# skyweave_library(NAME DIR [LIBS ...])
# A static library of every .cpp in DIR (no recursion). Headers are reached
# as "<subsystem>/<file>.h" from src/. A folder with no sources yet gives an
# interface library, so that dependants can already name it.
function(skyweave_library name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_compile_options(${name} PRIVATE ${SKYWEAVE_WARNINGS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# skyweave_test(NAME [DIR dir] LIBS ...)
# One GoogleTest program of every .cpp in DIR; each TEST becomes a CTest case.
function(skyweave_test name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS;PROPERTIES" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_compile_options(${name} PRIVATE ${SKYWEAVE_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    SKYWEAVE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SKYWEAVE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${ARG_PROPERTIES})
endfunction()
