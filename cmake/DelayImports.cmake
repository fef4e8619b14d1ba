# Libraries the start-up never calls are bound at their first call instead of when the
# process loads: each one (with the libraries it pulls in) cost milliseconds of every
# start under Wine. reelkeep_delay_import(<target> <dll>...) builds an import library that
# defers loading from cmake/delay-imports/<dll>.def, which lists the functions the program
# uses, and takes the DLL out of the libraries CMake links by default: a function missing
# from the list then fails the link instead of loading the DLL at start again.
# Call it from the top directory.
find_program(REELKEEP_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool dlltool REQUIRED)

function(reelkeep_delay_import target)
  foreach(dll IN LISTS ARGN)
    set(def ${CMAKE_SOURCE_DIR}/cmake/delay-imports/${dll}.def)
    set(library ${CMAKE_BINARY_DIR}/delay-imports/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${library}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay-imports
      COMMAND ${REELKEEP_DLLTOOL} --def ${def} --output-delaylib ${library}
      DEPENDS ${def} VERBATIM)
    add_custom_target(${dll}_delay_import DEPENDS ${library})
    add_dependencies(${target} ${dll}_delay_import)
    target_link_libraries(${target} PUBLIC ${library})
    foreach(language C CXX)
      string(REGEX REPLACE "(^| )-l${dll}( |$)" " " CMAKE_${language}_STANDARD_LIBRARIES
             "${CMAKE_${language}_STANDARD_LIBRARIES}")
      set(CMAKE_${language}_STANDARD_LIBRARIES "${CMAKE_${language}_STANDARD_LIBRARIES}" PARENT_SCOPE)
    endforeach()
  endforeach()
endfunction()
