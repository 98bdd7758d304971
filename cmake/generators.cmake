# Build-time generators (tools/*).
#
# zel_add_generator(NAME SOURCES src... [LIBRARIES lib...] [OPTIONS opt...])
#   builds the generator NAME from its sources (with the source tree on the
#   include path), or, when ZEL_GENERATORS_FROM names another build folder of
#   this tree, uses that folder's NAME instead of building it again. The
#   generators' output is the same in every kind of build, so CI builds them
#   once (in the plain build) and points the sanitizer builds at them.
#   Generators never carry sanitizer or fuzzer instrumentation either way.
#   The target `generators` builds all of them (what ZEL_GENERATORS_FROM needs).
set(ZEL_GENERATORS_FROM "" CACHE PATH "Build folder whose generators to use instead of building them")

function(zel_add_generator name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES;OPTIONS")
  if(ZEL_GENERATORS_FROM)
    file(RELATIVE_PATH sub ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR})
    set(exe ${ZEL_GENERATORS_FROM}/${sub}/${name})
    if(NOT EXISTS ${exe})
      message(FATAL_ERROR "${exe} does not exist: build the generators in ${ZEL_GENERATORS_FROM} first")
    endif()
    add_executable(${name} IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${exe})
  else()
    set_property(GLOBAL APPEND PROPERTY ZEL_GENERATOR_TARGETS ${name})
    add_executable(${name} ${arg_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
    target_compile_options(${name} PRIVATE ${arg_OPTIONS})
  endif()
endfunction()
