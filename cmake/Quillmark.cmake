# Helpers shared by the folder build files.

# qm_library(<folder> [DEPS <targets>...] [PRIVATE_DEPS <targets>...])
# Builds every .cpp below the folder into the static library qm_<folder>.
# Includes are written from the repository root ("platform/Geometry.h").
# DEPS are the folders below that the library's headers use; PRIVATE_DEPS
# what only its sources use (Qt inside platform/), which the libraries above
# link but never see.
function(qm_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  add_library(qm_${folder} STATIC ${sources})
  target_include_directories(qm_${folder} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(qm_${folder} PUBLIC ${ARG_DEPS})
  target_link_libraries(qm_${folder} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# qm_test(<folder> [DEPS <targets>...])
# Builds every .cpp in tests/<folder> into one GoogleTest executable,
# test_<folder>, and registers its tests with CTest.
function(qm_test folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  add_executable(test_${folder} ${sources})
  target_link_libraries(test_${folder} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock
                        qm_testsupport)
  target_compile_definitions(test_${folder} PRIVATE
    QM_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures")
  gtest_discover_tests(test_${folder} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
