# Runs vantel-batch on one or more scripts in turn, all with one fresh pair of registry
# stores, and compares the joined standard output with EXPECTED (and the joined standard
# error with EXPECTED_ERR when that file exists; otherwise it must be empty).
#
#   cmake -DBATCH=<vantel-batch> -DSCRIPTS=<a.vbs|b.vbs> -DEXPECTED=<x.out> -DWORKDIR=<dir> -P run_batch.cmake
#
# A script names its command-line options in a comment line "# args: ...", its exit
# status, when not 0, in "# status: N", and environment settings for its run only in
# "# env: NAME=VALUE ..." (@WORKDIR@ in a value stands for WORKDIR). The simulated
# controller's host folder is WORKDIR/host; a line "# absent: PATH" names a file (relative to
# WORKDIR) that must not exist after the run.

cmake_minimum_required(VERSION 3.20)

foreach(var BATCH SCRIPTS EXPECTED WORKDIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_batch.cmake: ${var} not set")
  endif()
endforeach()

string(REPLACE "|" ";" SCRIPTS "${SCRIPTS}")
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
set(ENV{VANTEL_REGISTRY} "${WORKDIR}/user.db")
set(ENV{VANTEL_MACHINE_REGISTRY} "${WORKDIR}/machine.db")
set(ENV{TZ} "UTC")
set(ENV{VANTEL_SIM_HOST_DIR} "${WORKDIR}/host")

set(all_out "")
set(absent "")
set(all_err "")
foreach(script IN LISTS SCRIPTS)
  file(STRINGS "${script}" header REGEX "^# (args|status|env|absent):")
  set(args "")
  set(env "")
  set(status 0)
  foreach(line IN LISTS header)
    if(line MATCHES "^# args:(.*)$")
      separate_arguments(args UNIX_COMMAND "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^# env:(.*)$")
      string(REPLACE "@WORKDIR@" "${WORKDIR}" env_line "${CMAKE_MATCH_1}")
      separate_arguments(env UNIX_COMMAND "${env_line}")
    elseif(line MATCHES "^# status: *([0-9]+)")
      set(status "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^# absent: *(.+)$")
      list(APPEND absent "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env ${env} "${BATCH}" ${args} "${script}"
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    RESULT_VARIABLE rc)
  string(APPEND all_out "${out}")
  string(APPEND all_err "${err}")
  if(NOT rc STREQUAL status)
    message(FATAL_ERROR "${script}: exit status ${rc}, expected ${status}\n--- stdout\n${out}--- stderr\n${err}")
  endif()
endforeach()

foreach(path IN LISTS absent)
  if(EXISTS "${WORKDIR}/${path}" OR IS_SYMLINK "${WORKDIR}/${path}")
    message(FATAL_ERROR "${WORKDIR}/${path} exists: something was written outside the host folder")
  endif()
endforeach()

file(WRITE "${WORKDIR}/actual.out" "${all_out}")
file(READ "${EXPECTED}" expected)
if(NOT all_out STREQUAL expected)
  execute_process(COMMAND diff -u "${EXPECTED}" "${WORKDIR}/actual.out")
  message(FATAL_ERROR "output differs from ${EXPECTED} (actual output in ${WORKDIR}/actual.out)")
endif()

string(REGEX REPLACE "\\.out$" ".err" expected_err_file "${EXPECTED}")
set(expected_err "")
if(EXISTS "${expected_err_file}")
  file(READ "${expected_err_file}" expected_err)
endif()
if(NOT all_err STREQUAL expected_err)
  message(FATAL_ERROR "standard error differs from what ${expected_err_file} holds:\n${all_err}")
endif()
