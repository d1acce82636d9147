# vesk_add_test(NAME n SOURCES ... [LIBS ...] [DEPENDS targets built first] [TIMEOUT s]): a Windows
# test program, run under Wine by tools/wine-run.sh (a fresh prefix of its own copied from the run's
# template, WINEDEBUG=-all, a virtual X server of its own). Native builds make none.
set(VESK_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)

# The resource script includes the pictures, the icon and the manifest: windres does not report
# them as dependencies, so each directory that compiles the script is told of them.
set(VESK_RC ${CMAKE_SOURCE_DIR}/res/VeskInstaller.rc)
file(GLOB VESK_RC_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.pic ${CMAKE_SOURCE_DIR}/res/*.ico
     ${CMAKE_SOURCE_DIR}/res/*.manifest ${CMAKE_SOURCE_DIR}/res/*.h)
macro(vesk_use_rc)
  set_source_files_properties(${VESK_RC} PROPERTIES OBJECT_DEPENDS "${VESK_RC_INPUTS}")
endmacro()

function(vesk_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;DEPENDS" TIMEOUT 300 ${ARGN})  # 300 s unless given
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 4")  # 32-bit code may run through a CPU emulator (tools/wine-run.sh)
  endif()
  if(WIN32)
    # The program's own resources (pictures, manifest), so windows made in a test look as in the program.
    add_executable(${T_NAME} ${T_SOURCES} ${VESK_RC})
    vesk_use_rc()
    target_link_libraries(${T_NAME} PRIVATE vesk_test_support ${T_LIBS})
    add_dependencies(${T_NAME} vesk_test_support ${T_DEPENDS})
    add_test(NAME ${T_NAME} COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-run.sh $<TARGET_FILE:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} FIXTURES_REQUIRED wine_template
                         ENVIRONMENT "VESK_WINE_TEMPLATE=${VESK_WINE_TEMPLATE}")
  endif()
endfunction()
