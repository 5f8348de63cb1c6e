# Writes a help2man include with a COMMANDS section: the --help of every command that
# `quorvex-sim --help` lists, so that the manual page shows each command's options as the
# program states them. Run with -DSIM=<quorvex-sim> -DOUT=<file>.
execute_process(COMMAND ${SIM} --help OUTPUT_VARIABLE usage RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${SIM} --help failed")
endif()
string(REGEX MATCH "\nCommands:\n(.*)" _ "${usage}")
string(REGEX MATCHALL "\n  [a-z]+ " names "\n${CMAKE_MATCH_1}")

set(section "[COMMANDS]\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  if(name STREQUAL "help")
    continue()
  endif()
  execute_process(COMMAND ${SIM} ${name} --help OUTPUT_VARIABLE text RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${SIM} ${name} --help failed")
  endif()
  # Shown as printed: roff's escape character and lines that start like requests are quoted.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(APPEND section ".SS ${name}\n.nf\n${text}.fi\n")
endforeach()
file(WRITE ${OUT} "${section}")
