# Helpers shared by the folder CMakeLists files.

# velmar_library(<target> DIR <dir> [EXCLUDE <regex>] [DEPS <targets...>])
# Builds every .cpp/.c (and .l/.y handled by the folder itself) of DIR, not
# recursing into sub-folders, into one static library.
function(velmar_library target)
  cmake_parse_arguments(ARG "" "DIR;EXCLUDE" "DEPS;SOURCES" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS "${ARG_DIR}/*.cpp" "${ARG_DIR}/*.c")
  if(ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  list(APPEND srcs ${ARG_SOURCES})
  if(NOT srcs)
    set(stub "${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp")
    file(WRITE "${stub}" "// ${target} has no sources yet.\n")
    set(srcs "${stub}")
  endif()
  add_library(${target} STATIC ${srcs})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}/generated")
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# velmar_test(<name> DIR <dir> DEPS <targets...>)
# One GoogleTest executable from every .cpp of DIR, registered with CTest.
function(velmar_test name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS "${ARG_DIR}/*.cpp")
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    VELMAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELMAR_BINARY_DIR="${PROJECT_BINARY_DIR}"
    VELMAR_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "VELMAR_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
