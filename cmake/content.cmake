# Helpers for build-time content.
#
# zel_add_generated_source(FILE): links a generated source file into the
#   engine. Call it in the directory whose add_custom_command makes FILE.
# zel_embed(SYMBOL FILE): embeds a generated binary file as
#   zel::embedded::SYMBOL[] / SYMBOL_size (see tools/embed/bin2cpp.cpp).
set_property(GLOBAL PROPERTY ZEL_GENERATED_SOURCES "")
set_property(GLOBAL PROPERTY ZEL_CONTENT_TARGETS "")

function(zel_add_generated_source file)
  # A custom command's rule lives in its own directory: a target here makes
  # it, and the engine (in the top directory) depends on that target.
  get_filename_component(stem ${file} NAME_WE)
  set(target gen_${stem})
  add_custom_target(${target} DEPENDS ${file})
  set_property(GLOBAL APPEND PROPERTY ZEL_GENERATED_SOURCES ${file})
  set_property(GLOBAL APPEND PROPERTY ZEL_CONTENT_TARGETS ${target})
endfunction()

function(zel_embed symbol file)
  set(out ${CMAKE_BINARY_DIR}/generated/embed_${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND bin2cpp ${symbol} ${file} ${out}
    DEPENDS bin2cpp ${file}
    COMMENT "Embedding ${symbol}"
    VERBATIM)
  zel_add_generated_source(${out})
endfunction()
