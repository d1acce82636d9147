# Import libraries that load their DLL on first use rather than at start-up, for the DLLs that only
# a command needs (the file dialog, OLE for the worker thread, the shell, version information).
# The .def files under cmake/delay list the functions the program takes from each DLL, with their
# 32-bit stdcall decorations (removed again for the import names).
#   vesk_delay_imports(target dll...)
find_program(VESK_DLLTOOL NAMES ${VESK_TRIPLE}-dlltool REQUIRED)

function(vesk_delay_imports target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(machine i386)
  else()
    set(machine i386:x86-64)
  endif()
  foreach(dll ${ARGN})
    set(def ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def)
    if(NOT machine STREQUAL i386)
      # 64-bit names carry no stdcall decoration.
      file(READ ${def} text)
      string(REGEX REPLACE "@[0-9]+" "" text "${text}")
      set(def ${CMAKE_BINARY_DIR}/delay/${dll}.def)
      file(WRITE ${def} "${text}")
    endif()
    set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
      COMMAND ${VESK_DLLTOOL} -m ${machine} -k -d ${def} -y ${lib} -D ${dll}.dll
      DEPENDS ${def} VERBATIM)
    add_custom_target(${target}_delay_${dll} DEPENDS ${lib})
    add_dependencies(${target} ${target}_delay_${dll})
    # Before the ordinary import libraries, so that these functions bind here.
    target_link_libraries(${target} PRIVATE ${lib})
  endforeach()
  target_link_libraries(${target} PRIVATE delayimp)
endfunction()
