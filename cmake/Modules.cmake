# One library target per module folder; a module's dependencies are its public links, so a
# module can only include what it links.
function(skiro_module name)
  cmake_parse_arguments(M "" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${M_DIR}/*.cpp)
  # A file named *Linux.cpp or *Apple.cpp is one system's side of a seam: each build takes
  # its own.
  if(APPLE)
    list(FILTER sources EXCLUDE REGEX "Linux\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "Apple\\.cpp$")
  endif()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${M_DIR}/*.hpp)
  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${M_DEPS})
  else()
    add_library(${name} INTERFACE ${headers})
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${M_DEPS})
  endif()
endfunction()

# tests/<Module>/*.cpp become one test program per module, each test a CTest case.
function(skiro_module_tests name)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name}Tests ${sources})
  target_link_libraries(${name}Tests PRIVATE ${name} ${T_DEPS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name}Tests DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 120
                       ENVIRONMENT "SKIRO_TEST_TMP=${SKIRO_TEST_TMP}")
endfunction()
