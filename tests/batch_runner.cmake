# vantel-batch as a regression runner, from the outside: --expect, --check (counts, groups,
# exit statuses), --update, --junit, the script headers and hermetic runs.
#
#   cmake -DBATCH=<vantel-batch> -DPYTHON3=<python3> -DWORKDIR=<dir> -P batch_runner.cmake

cmake_minimum_required(VERSION 3.20)
foreach(var BATCH WORKDIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "batch_runner.cmake: ${var} not set")
  endif()
endforeach()
if(NOT PYTHON3)
  message(FATAL_ERROR "python3 is needed to read the JUnit report")
endif()

file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}/tmp")
set(ENV{TZ} UTC)
set(ENV{TMPDIR} "${WORKDIR}/tmp")  # where --check keeps the files of a failed script
set(ENV{VANTEL_REGISTRY} "${WORKDIR}/user.db")
set(ENV{VANTEL_MACHINE_REGISTRY} "${WORKDIR}/machine.db")
set(ENV{VANTEL_SIM_HOST_DIR} "${WORKDIR}/host")

# Runs vantel-batch in WORKDIR; its exit status must be `status`; out and err for the caller.
function(batch status)
  cmake_parse_arguments(PARSE_ARGV 1 run "" "INPUT" "")
  set(input "")
  if(run_INPUT)
    set(input INPUT_FILE "${run_INPUT}")
  endif()
  execute_process(COMMAND "${BATCH}" ${run_UNPARSED_ARGUMENTS} ${input} WORKING_DIRECTORY "${WORKDIR}"
    OUTPUT_VARIABLE o ERROR_VARIABLE e RESULT_VARIABLE rc)
  if(NOT rc STREQUAL status)
    message(FATAL_ERROR "vantel-batch ${run_UNPARSED_ARGUMENTS}: exit status ${rc}, expected ${status}\n"
                        "--- stdout\n${o}--- stderr\n${e}")
  endif()
  set(out "${o}" PARENT_SCOPE)
  set(err "${e}" PARENT_SCOPE)
endfunction()

function(must_match text regex)
  if(NOT text MATCHES "${regex}")
    message(FATAL_ERROR "expected to match \"${regex}\":\n${text}")
  endif()
endfunction()

set(keys "# args: --link script\nbofkey 1\nbofkey 2\nwait\n")
set(keys_out "box: OnBOFKey: 0001\nbox: OnBOFKey: 0002\n")

# --expect: quiet agreement on the golden output; one changed line is a failure with a diff.
file(WRITE "${WORKDIR}/keys.vbs" "${keys}")
file(WRITE "${WORKDIR}/keys.out" "${keys_out}")
batch(0 --expect keys.out keys.vbs)
must_match("${out}" "^ok keys\n$")
file(WRITE "${WORKDIR}/changed.out" "box: OnBOFKey: 0001\nbox: OnBOFKey: 0009\n")
batch(1 --expect changed.out keys.vbs)
must_match("${out}" "^FAILED keys: standard output differs from changed.out\n--- changed.out\n\\+\\+\\+ changed.out \\(this run\\)\n@@ [^\n]*\n box: OnBOFKey: 0001\n-box: OnBOFKey: 0009\n\\+box: OnBOFKey: 0002\n$")

# --check: a script, a group on one work folder, a wrong exit status, a script without its
# .out, and output with markup and bytes XML cannot hold; one line each, then the counts.
set(dir "${WORKDIR}/scripts")
file(WRITE "${dir}/pass.vbs" "${keys}")
file(WRITE "${dir}/pass.out" "${keys_out}")
file(WRITE "${dir}/grp.1.vbs" "# args: --link script --registry @WORKDIR@/user.db\nfield 1 remembered\nclose\n")
file(WRITE "${dir}/grp.2.vbs" "# args: --trace --link script --registry @WORKDIR@/user.db\nmenu 32711\n")
file(WRITE "${dir}/grp.out"
  "call: Init(\"Vantel\", \"\", 49152, 1, 223, 49153) -> 1\ncall: ShowVar(\"remembered\", \"\") -> 1\n")
file(WRITE "${dir}/status.vbs" "# args: --link script\nfield 11 no such field\n")
file(WRITE "${dir}/status.out" "")
file(WRITE "${dir}/status.err" "vantel-batch: line 2: usage: field N TEXT, with N from 1 to 10\n")
file(WRITE "${dir}/noout.vbs" "${keys}")
file(WRITE "${dir}/markup.vbs" "${keys}")
string(ASCII 1 ctrl)
file(WRITE "${dir}/markup.out" "box: <&\"'> ${ctrl}\n")
file(WRITE "${dir}/markup.err" "stale\n")
batch(1 --check scripts --junit report.xml)
must_match("${out}" "^ok grp\nFAILED markup: standard output differs from markup.out\n")
must_match("${out}" "\nFAILED noout: no noout.out \\(--update writes it\\)\n")
must_match("${out}" "\nok pass\nFAILED status: status.vbs: exit status 2, expected 0\n")
must_match("${out}" "\n2 passed, 3 failed\n$")

# The report: well-formed, one test case per script or group, the failures with their reasons.
execute_process(COMMAND "${PYTHON3}" -c [[
import sys, xml.dom.minidom
doc = xml.dom.minidom.parse(sys.argv[1])
for case in doc.getElementsByTagName("testcase"):
    failures = case.getElementsByTagName("failure")
    print(case.getAttribute("name"), failures[0].getAttribute("message") if failures else "ok")
    if failures and case.getAttribute("name") == "markup":
        print("body:", "<&\"'>" in failures[0].firstChild.data)
]] "${WORKDIR}/report.xml" OUTPUT_VARIABLE cases ERROR_VARIABLE problem RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "report.xml is no good XML: ${problem}")
endif()
set(want "grp ok\nmarkup standard output differs from markup.out\nbody: True\n"
         "noout no noout.out (--update writes it)\npass ok\nstatus status.vbs: exit status 2, expected 0\n")
string(JOIN "" want ${want})
if(NOT cases STREQUAL want)
  message(FATAL_ERROR "report.xml holds:\n${cases}\nexpected:\n${want}")
endif()

# A failure in the command, but the one script asked for passes alone.
batch(0 --check scripts --only grp)
must_match("${out}" "^ok grp\n1 passed, 0 failed\n$")

# --update writes what the run printed; an .err that standard error no longer needs goes.
batch(0 --check scripts --only markup --update)
must_match("${out}" "^updated markup\n")
file(READ "${dir}/markup.out" updated)
if(NOT updated STREQUAL keys_out OR EXISTS "${dir}/markup.err")
  message(FATAL_ERROR "--update wrote \"${updated}\" to markup.out, or left markup.err")
endif()
batch(0 --check scripts --only markup)
batch(0 --check scripts --only noout --update)
batch(0 --expect changed.out --update keys.vbs)
batch(0 --expect changed.out keys.vbs)

# Headers: read from standard input too, line numbers counted from the top; options given
# on the command line win over "# args:"; @WORKDIR@ is the current folder.
file(WRITE "${WORKDIR}/stdin.vbs" "# args: --trace --link script\n\nmenu 32711\nfield 0 x\n")
batch(2 - INPUT stdin.vbs)
must_match("${out}" "^call: Init\\(")
must_match("${err}" "^vantel-batch: line 4: usage: field N")
file(WRITE "${WORKDIR}/handle.vbs" "# args: --link script --journal @WORKDIR@/run.jsonl\nhandle 5\n")
batch(0 handle.vbs)
if(NOT EXISTS "${WORKDIR}/run.jsonl")
  message(FATAL_ERROR "--journal @WORKDIR@/run.jsonl of a header wrote no ${WORKDIR}/run.jsonl")
endif()
batch(2 --link sim handle.vbs)
must_match("${err}" "^vantel-batch: line 2: handle lines need --link script\n$")
file(WRITE "${WORKDIR}/bad_header.vbs" "# args: --link script\n# status: two\nwait\n")
batch(2 bad_header.vbs)
must_match("${err}" "^vantel-batch: line 2: # status: ")

# Hermetic: without --registry a run neither reads nor writes the store VANTEL_REGISTRY names.
file(WRITE "${WORKDIR}/remember.vbs" "# args: --link script\nfield 1 typed\nclose\n")
batch(0 remember.vbs)
if(EXISTS "${WORKDIR}/user.db")
  message(FATAL_ERROR "a run without --registry made the store ${WORKDIR}/user.db")
endif()
batch(0 --registry user.db remember.vbs)
file(SHA256 "${WORKDIR}/user.db" before)
file(WRITE "${WORKDIR}/show.vbs" "# args: --trace --link script\nfield 2 other\nmenu 32711\nclose\n")
batch(0 show.vbs)
must_match("${out}" "\ncall: ShowVar\\(\"\", \"other\"\\) -> 1\n$")
file(SHA256 "${WORKDIR}/user.db" after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "a run without --registry changed the store ${WORKDIR}/user.db")
endif()
batch(0 --registry user.db show.vbs)
must_match("${out}" "\ncall: ShowVar\\(\"typed\", \"other\"\\) -> 1\n$")

# --registered: nothing registered prints nothing; a store it cannot read is said, not taken
# for "not registered".
batch(0 --registered)
must_match("${out}" "^$")
file(MAKE_DIRECTORY "${WORKDIR}/folder.db/inside")
set(ENV{VANTEL_REGISTRY} "${WORKDIR}/folder.db")
batch(3 --registered)
must_match("${err}" "^vantel-batch: cannot read the registration: .*folder.db")
set(ENV{VANTEL_REGISTRY} "${WORKDIR}/user.db")

# A controller of each script's own: the scripted link needs none; one that does not come up
# fails its script, saying so; a controller that cannot be reached is an outside failure.
file(WRITE "${dir}/on_sim.vbs" "# args: --link sim\nwait\n")
file(WRITE "${dir}/on_sim.out" "")
batch(1 --check scripts --only on_sim --controller /bin/false)
must_match("${out}" "^FAILED on_sim: on_sim.vbs: the controller ended before it listened \\(see [^\n]*/controller.log\\)\n")
batch(0 --check scripts --only pass --controller /bin/false)
batch(3 --link unix:${WORKDIR}/no-controller.sock keys.vbs)
must_match("${err}" "^vantel-batch: controller unix:[^\n]*/no-controller.sock: cannot be reached: ")
batch(2 --link tcp:localhost keys.vbs)
must_match("${err}" "^vantel-batch: --link \"tcp:localhost\": tcp: needs HOST:PORT\n")

# Usage errors.
batch(2 --update keys.vbs)
batch(2 --check scripts keys.vbs)
batch(2 --check no-such-folder)
batch(2 --expect keys.out no-such-script.vbs)
batch(2 --check scripts --only no-such-script)
