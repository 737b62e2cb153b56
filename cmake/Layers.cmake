# A layer is every source file in its folder (not below it), plus those of the sub-folders
# listed after SUBDIRS. A folder with no sources yet makes an interface target, so higher
# layers can name it before it is written.
function(carvantel_layer name dir)
  cmake_parse_arguments(PARSE_ARGV 2 layer "" "" "SUBDIRS")
  set(folders ${dir})
  foreach(sub IN LISTS layer_SUBDIRS)
    list(APPEND folders ${dir}/${sub})
  endforeach()
  set(srcs)
  set(hdrs)
  foreach(folder IN LISTS folders)
    file(GLOB folder_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.c)
    file(GLOB folder_hdrs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    list(APPEND srcs ${folder_srcs})
    list(APPEND hdrs ${folder_hdrs})
  endforeach()
  # A program's entry point belongs to its executable, not to the layer under it.
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  set(deps ${layer_UNPARSED_ARGUMENTS})
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

# One GoogleTest executable for the tests of one layer (tests/<dir>/*.cpp, and
# tests/<dir>/<sub>/*.cpp for the sub-folders listed after SUBDIRS). QT_APPLICATION gives the
# program one QApplication for its whole run (tests/support/QtTestApplication.cpp).
function(carvantel_tests layer dir)
  cmake_parse_arguments(PARSE_ARGV 2 suite "QT_APPLICATION" "" "SUBDIRS")
  set(folders ${dir})
  foreach(sub IN LISTS suite_SUBDIRS)
    list(APPEND folders ${dir}/${sub})
  endforeach()
  set(srcs)
  foreach(folder IN LISTS folders)
    file(GLOB folder_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND srcs ${folder_srcs})
  endforeach()
  if(NOT srcs)
    return()
  endif()
  set(exe ${layer}_tests)
  if(suite_QT_APPLICATION)
    list(APPEND srcs ${CMAKE_CURRENT_SOURCE_DIR}/support/QtTestApplication.cpp)
  endif()
  add_executable(${exe} ${srcs})
  target_link_libraries(${exe} PRIVATE ${layer} ${suite_UNPARSED_ARGUMENTS} GTest::gtest GTest::gmock GTest::gtest_main Qt6::Test)
  target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${exe} PRIVATE
    CARVANTEL_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
    CARVANTEL_BINARY_DIR="${CMAKE_BINARY_DIR}"
    CARVANTEL_TEST_PROGRAM="${exe}")
  gtest_discover_tests(${exe}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp"
    DISCOVERY_TIMEOUT 60)
endfunction()
