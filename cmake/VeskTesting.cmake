# Test helpers.
#   vesk_add_test(NAME n SOURCES ... [LIBS ...] [TIMEOUT s] [PURE])
# Windows builds: the test runs under Wine (tools/wine-run.sh: its own fresh prefix, WINEDEBUG=-all,
# a virtual X server when there is no display). PURE tests are also built natively (with the
# sanitizers when VESK_SANITIZE is on) and link only vesk_pure.
set(VESK_WINE_RUN ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)

# The resource script includes the pictures, the icon and the manifest: windres does not report
# them as dependencies, so each directory that compiles the script is told of them.
set(VESK_RC ${CMAKE_SOURCE_DIR}/res/VeskInstaller.rc)
file(GLOB VESK_RC_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.bmp ${CMAKE_SOURCE_DIR}/res/*.ico
     ${CMAKE_SOURCE_DIR}/res/*.manifest ${CMAKE_SOURCE_DIR}/res/*.h)
macro(vesk_use_rc)
  set_source_files_properties(${VESK_RC} PROPERTIES OBJECT_DEPENDS "${VESK_RC_INPUTS}")
endmacro()
set(VESK_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)

function(vesk_add_test)
  cmake_parse_arguments(T "PURE" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(NOT WIN32 AND NOT T_PURE)
    return()
  endif()
  if(WIN32)
    # The program's own resources (pictures, manifest), so windows made in a test look as in the program.
    list(APPEND T_SOURCES ${VESK_RC})
    vesk_use_rc()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE vesk_test_support ${T_LIBS})
  if(WIN32)
    add_test(NAME ${T_NAME} COMMAND ${VESK_WINE_RUN} $<TARGET_FILE:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES
      FIXTURES_REQUIRED wine_template
      ENVIRONMENT "VESK_WINE_TEMPLATE=${VESK_WINE_TEMPLATE}")
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
