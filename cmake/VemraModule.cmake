# One CMake target per source folder. Sources are picked up by glob so that adding a file needs no edit here.
#   vemra_module(<target> DIR <folder> [QT] [DEPS <targets...>] [PRIVATE_DEPS <targets...>])
# DEPS are the targets whose headers this folder's headers include; PRIVATE_DEPS those only its .cpp files include
# (the third-party libraries behind the contract).
function(vemra_module target)
  cmake_parse_arguments(M "QT" "DIR" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS "${M_DIR}/*.cpp" "${M_DIR}/*.h" "${M_DIR}/*.qrc")
  list(FILTER _src EXCLUDE REGEX "/(test_|bench_|fuzz_)")
  if(NOT _src MATCHES "\\.cpp")
    message(FATAL_ERROR "${target}: ${M_DIR} holds no source file; add the target when the folder has code")
  endif()
  add_library(${target} STATIC ${_src})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${M_DEPS} PRIVATE ${M_PRIVATE_DEPS})
  if(M_QT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
  else()
    set_target_properties(${target} PROPERTIES AUTOMOC OFF AUTORCC OFF)
  endif()
endfunction()

# One test executable per folder of tests/, each test case its own CTest entry (parallel ctest).
#   vemra_tests(<name> DIR <folder> [GUI] [DEPS <targets...>] [LABELS <labels...>])
# GUI tests get a QApplication on the offscreen platform; every test runs with private config, temp and runtime
# folders, so it never touches a user's settings and tests can run side by side.
function(vemra_tests name)
  cmake_parse_arguments(T "GUI" "DIR" "DEPS;LABELS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS "${T_DIR}/*.cpp" "${T_DIR}/*.h")
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE ${T_DEPS} vemra_test_support_gui GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_DEPS} vemra_test_support GTest::gtest)
  endif()
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VEMRA_TEST_PRIVATE_DIRS=1")
endfunction()
