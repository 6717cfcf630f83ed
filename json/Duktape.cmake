# Prepares the script engine's sources for our build: Debian's single-file
# Duktape (duktape-dev) with its configuration changed in two places, so that
# the bytecode executor stops now and then (the interrupt counter) and asks
# velmora_duktape_exec_timeout(heap udata) whether the running call is past
# its deadline; when it is, the engine throws a RangeError.
#
# Sets velmora_duktape_dir: the folder holding duktape.c, duktape.h and the
# changed duk_config.h side by side. duktape.c and duktape.h include
# "duk_config.h" by quotes, which finds the copy beside them first.

set(velmora_duktape_source_dir /usr/share/duktape)
set(velmora_duktape_dir ${CMAKE_CURRENT_BINARY_DIR}/duktape)

foreach(name duktape.c duktape.h duk_config.h)
  if(NOT EXISTS ${velmora_duktape_source_dir}/${name})
    message(FATAL_ERROR "${velmora_duktape_source_dir}/${name} is missing: install duktape-dev")
  endif()
endforeach()

configure_file(${velmora_duktape_source_dir}/duktape.c ${velmora_duktape_dir}/duktape.c COPYONLY)
configure_file(${velmora_duktape_source_dir}/duktape.h ${velmora_duktape_dir}/duktape.h COPYONLY)

# Replaces the line `from` of the configuration with `to`; the line must be there.
function(velmora_duktape_option config_var from to)
  string(FIND "${${config_var}}" "${from}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "duk_config.h has no line '${from}'")
  endif()
  string(REPLACE "${from}\n" "${to}\n" changed "${${config_var}}")
  set(${config_var} "${changed}" PARENT_SCOPE)
endfunction()

file(READ ${velmora_duktape_source_dir}/duk_config.h velmora_duk_config)
velmora_duktape_option(velmora_duk_config
  "#undef DUK_USE_INTERRUPT_COUNTER"
  "#define DUK_USE_INTERRUPT_COUNTER")
velmora_duktape_option(velmora_duk_config
  "#undef DUK_USE_EXEC_TIMEOUT_CHECK"
  [=[
/* Nonzero when the engine call running in the heap whose udata is given has
 * passed its deadline (defined by the json library). */
#if defined(__cplusplus)
extern "C"
#endif
duk_bool_t velmora_duktape_exec_timeout(void *udata);
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) velmora_duktape_exec_timeout((udata))]=])
# Written through configure_file so that an unchanged result keeps its time
# stamp and nothing is rebuilt.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/duk_config.h.in "${velmora_duk_config}")
configure_file(${CMAKE_CURRENT_BINARY_DIR}/duk_config.h.in ${velmora_duktape_dir}/duk_config.h COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${velmora_duktape_source_dir}/duk_config.h)
