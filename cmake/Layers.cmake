# The files matching PATTERNS (e.g. *.cpp) in ROOT/DIR and in ROOT/DIR/<sub> for each of SUBDIRS.
function(carvantel_glob out root dir subdirs)
  set(found)
  foreach(folder IN ITEMS ${dir} LISTS subdirs)
    if(NOT folder STREQUAL dir)
      set(folder ${dir}/${folder})
    endif()
    foreach(pattern IN LISTS ARGN)
      file(GLOB matched CONFIGURE_DEPENDS ${root}/${folder}/${pattern})
      list(APPEND found ${matched})
    endforeach()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# A layer is every source file in its folder (not below it), plus those of the sub-folders
# listed after SUBDIRS. A folder with no sources yet makes an interface target, so higher
# layers can name it before it is written.
function(carvantel_layer name dir)
  cmake_parse_arguments(PARSE_ARGV 2 layer "" "" "SUBDIRS")
  carvantel_glob(srcs ${CMAKE_SOURCE_DIR} ${dir} "${layer_SUBDIRS}" *.cpp *.c)
  carvantel_glob(hdrs ${CMAKE_SOURCE_DIR} ${dir} "${layer_SUBDIRS}" *.h)
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
  carvantel_glob(srcs ${CMAKE_CURRENT_SOURCE_DIR} ${dir} "${suite_SUBDIRS}" *.cpp)
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
