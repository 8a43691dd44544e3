# The man page and the bash completion of vantel-batch keep up with the program: every option
# its usage names and every script line its reader takes is in the man page, every option is
# completed, the completions answer as a shell would ask them, and the usage, the man page
# and the README give the same exit statuses.
#
#   cmake -DBATCH=<vantel-batch> -DSOURCE=<source dir> -P check_docs.cmake

execute_process(COMMAND "${BATCH}" --help OUTPUT_VARIABLE usage RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "vantel-batch --help: exit status ${rc}")
endif()
file(READ "${SOURCE}/docs/man/vantel-batch.1.scd" page)
file(READ "${SOURCE}/completions/vantel-batch" completion)
string(REGEX MATCHALL "--[a-z][a-z-]*" options "${usage}")
list(REMOVE_DUPLICATES options)
if(NOT options)
  message(FATAL_ERROR "no options in the usage text:\n${usage}")
endif()
foreach(option IN LISTS options)
  string(FIND "${page}" "*${option}*" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "option ${option} is not in docs/man/vantel-batch.1.scd")
  endif()
  string(FIND "${completion}" "${option}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "option ${option} is not in completions/vantel-batch")
  endif()
endforeach()

file(READ "${SOURCE}/src/script/script.cpp" reader)
string(REGEX MATCHALL "verb == \"[a-z]+\"" verbs "${reader}")
if(NOT verbs)
  message(FATAL_ERROR "no script lines found in src/script/script.cpp")
endif()
foreach(verb IN LISTS verbs)
  string(REGEX REPLACE "verb == \"([a-z]+)\"" "\\1" verb "${verb}")
  string(FIND "${page}" "\n*${verb}*" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "script line \"${verb}\" is not in docs/man/vantel-batch.1.scd")
  endif()
endforeach()

# Completion as bash asks for it: the words so far, the index of the one being completed.
function(complete script words index expected)
  execute_process(
    COMMAND bash -c "source '${script}'; COMP_WORDS=(${words}); COMP_CWORD=${index}; \
${ARGN} ; printf '%s ' \"\${COMPREPLY[@]}\""
    OUTPUT_VARIABLE got RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT got STREQUAL "${expected} ")
    message(FATAL_ERROR "completing \"${words}\" at ${index}: got \"${got}\", expected \"${expected} \"")
  endif()
endfunction()
complete("${SOURCE}/completions/vantel-batch" "vantel-batch --li" 1 "--link" _vantel_batch)
complete("${SOURCE}/completions/vantel-batch" "vantel-batch --link s" 2 "sim script" _vantel_batch)
complete("${SOURCE}/completions/vantel-batch" "vantel-batch --check '${SOURCE}/tests/batch' --only hist" 4 "history"
         _vantel_batch)
complete("${SOURCE}/completions/vantel-batch" "vantel-batch --check '${SOURCE}/tests/batch' --only sim_st" 4 "sim_state"
         _vantel_batch)
complete("${SOURCE}/completions/vantel-send" "vantel-send 3686" 1 "36864 36865 36866 36867" _vantel_send)

# One set of exit statuses: 0 to 3 in the usage, in the man page's EXIT STATUS and in the
# README's table, each with the same first words.
file(READ "${SOURCE}/README.md" readme)
string(REGEX MATCH "### Exit status\n.*" readme_table "${readme}")
string(REGEX MATCH "# EXIT STATUS\n.*" page_table "${page}")
set(meanings "ran to its end" "an expectation failed" "a usage error" "an outside failure")
set(status 0)
foreach(meaning IN LISTS meanings)
  string(TOLOWER "${page_table}" page_lower)
  if(NOT usage MATCHES "${status} [a-z ]*${meaning}")
    message(FATAL_ERROR "the usage does not give ${status} as \"${meaning}\"")
  endif()
  if(NOT readme_table MATCHES "\n\\| ${status} \\| [^\n]*${meaning}")
    message(FATAL_ERROR "README.md's exit status table does not give ${status} as \"${meaning}\"")
  endif()
  if(NOT page_lower MATCHES "\n\\*${status}\\*\n\t[^\n]*${meaning}")
    message(FATAL_ERROR "the man page's EXIT STATUS does not give ${status} as \"${meaning}\"")
  endif()
  math(EXPR status "${status} + 1")
endforeach()
