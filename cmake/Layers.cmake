# A layer is every source file in its folder (not below it). A folder with no sources yet
# makes an interface target, so higher layers can name it before it is written.
function(carvantel_layer name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  set(deps ${ARGN})
  if(srcs)
    add_library(${name} STATIC ${srcs} ${hdrs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${deps})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${deps})
  endif()
endfunction()

# One GoogleTest executable for the tests of one layer (tests/<dir>/*.cpp).
function(carvantel_tests layer dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  set(exe ${layer}_tests)
  add_executable(${exe} ${srcs})
  target_link_libraries(${exe} PRIVATE ${layer} ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main Qt6::Test)
  target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${exe} PRIVATE
    CARVANTEL_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
    CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${exe}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp"
    DISCOVERY_TIMEOUT 60)
endfunction()
