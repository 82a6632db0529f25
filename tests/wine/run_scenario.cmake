# Runs one end-to-end scenario of devlist.exe under Wine and compares every standard output, byte for byte,
# with its golden in expected/. Each scenario gets a Wine prefix of its own, in a fresh temporary directory that
# also serves as HOME; its wineserver is shut down and the directory deleted on every path, failures included.
#
#   cmake -DWINE=<wine> -DWINESERVER=<wineserver> -DDEVLIST=<devlist.exe> -DHELPER=<register_devices.exe>
#         -DSCENARIO=<scenario .cmake> -DEXPECTED=<golden dir> -DWORK=<dir for the actual outputs>
#         [-DBUDGET=<seconds>] -P run_scenario.cmake
#
# A scenario file is a list of steps, run in order in the one prefix:
#   wine_helper(<scenario>)                         register_devices.exe <scenario>; a failure skips what follows
#   wine_devlist(<golden> [arguments...])           devlist.exe, stdout compared with expected/<golden>;
#                                                   the argument <empty> stands for an empty argument
#   wine_devlist_as(<exe name> <golden> [arguments...])   the same through a copy of devlist.exe named so
#                                                   (the name may hold folders: they are made)
#   wine_devlist_unwritable([arguments...])        devlist.exe with standard output on /dev/full: exit code 1
#                                                   and the one line that says the listing was not written
#   wine_agree(<code page> [arguments...])         devlist.exe with and without json: tests/json/agree.py checks
#                                                   that the document says what the text says (needs -DAGREE)
#   wine_locale(<locale>)                           first of all: run Wine in <locale>.UTF-8 (ja_JP gives code
#                                                   page 932), compiled into the scratch directory; when the
#                                                   locale sources are missing the scenario is skipped
#
# Outputs stay in WORK for inspection. Every step has a timeout, and all steps together must finish within
# BUDGET seconds, which stays below the test's CTest timeout, so that the clean-up always gets to run.
cmake_minimum_required(VERSION 3.25)

foreach(required WINE WINESERVER DEVLIST HELPER SCENARIO EXPECTED WORK)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "run_scenario.cmake: -D${required}=... is missing")
  endif()
endforeach()
if(NOT DEFINED BUDGET)
  set(BUDGET 150)
endif()
set(step_timeout 60)

get_filename_component(scenario_name "${SCENARIO}" NAME_WE)
set(work "${WORK}/${scenario_name}")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

find_program(DIFF diff)

# Milliseconds since the epoch, from one reading of the clock.
function(now_ms out)
  string(TIMESTAMP now "%s %f" UTC)
  string(REPLACE " " ";" now "${now}")
  list(GET now 0 seconds)
  list(GET now 1 micro)
  math(EXPR ms "${seconds} * 1000 + ${micro} / 1000")
  set(${out} ${ms} PARENT_SCOPE)
endfunction()

now_ms(started)
math(EXPR deadline "${started} + ${BUDGET} * 1000")
# Failures, the stop mark and the run counter are global properties, so every step function reaches them.
set_property(GLOBAL PROPERTY failures "")
set_property(GLOBAL PROPERTY stopped FALSE)
set_property(GLOBAL PROPERTY run_count 0)

# Time left for the next step, capped at the step timeout; 0 when the budget is spent.
function(step_time out)
  now_ms(t)
  math(EXPR left "(${deadline} - ${t}) / 1000")
  if(left GREATER step_timeout)
    set(left ${step_timeout})
  endif()
  if(left LESS 1)
    set(left 0)
  endif()
  set(${out} ${left} PARENT_SCOPE)
endfunction()

# Prints a failure with its details at once; the summary at the end repeats only its first line.
function(fail summary)
  message("FAIL ${summary}${ARGN}")
  set_property(GLOBAL APPEND_STRING PROPERTY failures "  ${summary}\n")
endfunction()

# The environment of every Wine process: our prefix and HOME, no display, the scenario's locale (C.UTF-8, code
# page 1252 for the ANSI texts, unless wine_locale chose another), no debug channels and no offer to install Mono
# or Gecko.
set(locale_env LC_ALL=C.UTF-8)
macro(wine_command out)
  set(${out}
      "${CMAKE_COMMAND}" -E env
      --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=LANG --unset=LANGUAGE --unset=LC_CTYPE --unset=LC_MESSAGES
      "HOME=${home}" "WINEPREFIX=${prefix}" WINEARCH=win64 WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
      ${locale_env})
endmacro()

# Runs one program in the prefix (ARGN: the program and its arguments, "<empty>" standing for an empty one); sets
# <rc_out> to its exit code or to the reason it did not finish. Every word is bracket-quoted, so that an empty
# argument reaches the program as one.
function(run_in_prefix rc_out stdout_file stderr_file)
  step_time(left)
  if(left EQUAL 0)
    set(${rc_out} "not run: the time budget of ${BUDGET} s is spent" PARENT_SCOPE)
    return()
  endif()
  wine_command(env)
  set(code "execute_process(COMMAND")
  foreach(word IN LISTS env)
    string(APPEND code " [==[${word}]==]")
  endforeach()
  string(APPEND code " [==[${WINE}]==]")
  foreach(word IN LISTS ARGN)
    if(word STREQUAL "<empty>")
      set(word "")
    endif()
    string(APPEND code " [==[${word}]==]")
  endforeach()
  string(APPEND code " OUTPUT_FILE [==[${stdout_file}]==] ERROR_FILE [==[${stderr_file}]==]"
                     " TIMEOUT ${left} RESULT_VARIABLE rc)")
  cmake_language(EVAL CODE "${code}")
  set(${rc_out} "${rc}" PARENT_SCOPE)
endfunction()

function(elapsed_since start out)
  now_ms(t)
  math(EXPR ms "${t} - ${start}")
  if(ms LESS 10000)
    set(${out} "${ms} ms" PARENT_SCOPE)
  else()
    math(EXPR whole "${ms} / 1000")
    math(EXPR tenth "(${ms} % 1000) / 100")
    set(${out} "${whole}.${tenth} s" PARENT_SCOPE)
  endif()
endfunction()

# Compiles <locale>.UTF-8 into the scratch directory, so that nothing on the system changes; without the
# locale sources the scenario is skipped (CTest recognises the SKIPPED line).
macro(wine_locale locale)
  file(MAKE_DIRECTORY "${scratch}/locale")
  execute_process(COMMAND localedef -i ${locale} -f UTF-8 "${scratch}/locale/${locale}.UTF-8"
                  RESULT_VARIABLE locale_rc OUTPUT_VARIABLE locale_out ERROR_VARIABLE locale_out TIMEOUT 60)
  # localedef reports warnings with exit code 1 and still writes the locale.
  if(NOT EXISTS "${scratch}/locale/${locale}.UTF-8/LC_CTYPE")
    message("SKIPPED: the locale ${locale}.UTF-8 cannot be compiled (exit code ${locale_rc}); the Debian package "
            "locales brings its sources\n${locale_out}")
    set(scenario_skipped TRUE)
    return()
  endif()
  set(locale_env "LOCPATH=${scratch}/locale" "LC_ALL=${locale}.UTF-8")
endmacro()

# The description of a step, <label> and its arguments, into <out>; "" when an earlier failure stopped the
# scenario, and the step is counted as skipped.
function(step_description out label)
  set(description "${label}")
  foreach(argument IN LISTS ARGN)
    string(APPEND description " ${argument}")
  endforeach()
  get_property(stopped GLOBAL PROPERTY stopped)
  if(stopped)
    set_property(GLOBAL APPEND PROPERTY skipped "${description}")
    set(description "")
  endif()
  set(${out} "${description}" PARENT_SCOPE)
endfunction()

function(wine_helper scenario)
  step_description(description "register_devices ${scenario}")
  if(description STREQUAL "")
    return()
  endif()
  now_ms(t0)
  set(log "${work}/register_devices-${scenario}")
  run_in_prefix(rc "${log}.out" "${log}.err" "${HELPER}" ${scenario})
  elapsed_since(${t0} took)
  if(NOT rc STREQUAL "0")
    file(READ "${log}.err" err)
    fail("${description} (${took}): ${rc}" "\n${err}")
    set_property(GLOBAL PROPERTY stopped TRUE)
    return()
  endif()
  message("ok   ${description} (${took})")
endfunction()

function(compare_output golden actual description)
  set(expected_file "${EXPECTED}/${golden}")
  if(NOT EXISTS "${expected_file}")
    fail("${description}: no golden ${expected_file}; the output is in ${actual}")
    return()
  endif()
  file(READ "${expected_file}" want HEX)
  file(READ "${actual}" got HEX)
  if(want STREQUAL got)
    set(matched TRUE PARENT_SCOPE)
    return()
  endif()
  # Diff the texts with their CRLF line ends taken out, so that the lines read well; a stray CR shows as <CR>.
  file(READ "${expected_file}" expected_text)
  file(READ "${actual}" actual_text)
  foreach(side expected actual)
    string(REPLACE "\r\n" "\n" ${side}_text "${${side}_text}")
    string(REPLACE "\r" "<CR>" ${side}_text "${${side}_text}")
    file(WRITE "${actual}.${side}-lines" "${${side}_text}")
  endforeach()
  if(expected_text STREQUAL actual_text)
    set(detail "The texts differ only in their line ends: both must end every line in CR LF.\n")
  elseif(DIFF)
    execute_process(COMMAND "${DIFF}" -u --label "expected/${golden}" --label "actual"
                            "${actual}.expected-lines" "${actual}.actual-lines"
                    OUTPUT_VARIABLE detail)
  else()
    set(detail "${actual_text}")
  endif()
  fail("${description}: output differs from expected/${golden}" " (actual output: ${actual})\n${detail}")
endfunction()

# A run whose standard output was a full disk: exit code 1 and, on standard error, the one line that says so.
function(said_disk_full rc err description)
  string(REPLACE "\r\n" "\n" err_lines "${err}")
  string(REGEX MATCHALL "devlist: cannot write the listing: No space left on device\n" said "${err_lines}")
  list(LENGTH said times)
  if(rc STREQUAL "1" AND times EQUAL 1)
    set(matched TRUE PARENT_SCOPE)
    return()
  endif()
  fail("${description}: exit code ${rc}, expected 1 and the message once" "\n${err}")
endfunction()

# Runs <exe> with ARGN and compares its standard output with expected/<golden>; the golden <full> instead puts
# standard output on a full disk, where the run must say so on standard error, in one line, and end with 1.
function(run_devlist exe golden)
  set(unwritable FALSE)
  set(label "${golden}")
  if(golden STREQUAL "<full>")
    set(unwritable TRUE)
    set(label "unwritable")
  endif()
  set(exe_name devlist)
  if(NOT exe STREQUAL "${DEVLIST}")
    get_filename_component(exe_name "${exe}" NAME)
  endif()
  step_description(description "${label}: ${exe_name}" ${ARGN})
  if(description STREQUAL "")
    return()
  endif()
  # Several runs may share one golden; each keeps its own output, numbered in run order.
  get_property(run_count GLOBAL PROPERTY run_count)
  math(EXPR run_count "${run_count} + 1")
  set_property(GLOBAL PROPERTY run_count ${run_count})
  string(MAKE_C_IDENTIFIER "${description}" run_id)
  string(PREPEND run_id "${run_count}-")
  set(actual "${work}/${run_id}.out")
  if(unwritable)
    set(actual /dev/full)
  endif()
  now_ms(t0)
  run_in_prefix(rc "${actual}" "${work}/${run_id}.err" "${exe}" ${ARGN})
  elapsed_since(${t0} took)
  file(READ "${work}/${run_id}.err" err)
  set(matched FALSE)
  if(unwritable)
    said_disk_full("${rc}" "${err}" "${description} (${took})")
  elseif(NOT rc STREQUAL "0")
    fail("${description} (${took}): exit code ${rc}, expected 0" "\n${err}")
  else()
    compare_output("${golden}" "${actual}" "${description}")
  endif()
  if(matched)
    message("ok   ${description} (${took})")
  endif()
endfunction()

function(wine_devlist golden)
  run_devlist("${DEVLIST}" "${golden}" ${ARGN})
endfunction()

function(wine_devlist_as exe_name golden)
  set(copy "${scratch}/${exe_name}")
  if(NOT EXISTS "${copy}")
    get_filename_component(copy_dir "${copy}" DIRECTORY)
    file(MAKE_DIRECTORY "${copy_dir}")
    file(COPY_FILE "${DEVLIST}" "${copy}")
  endif()
  run_devlist("${copy}" "${golden}" ${ARGN})
endfunction()

function(wine_devlist_unwritable)
  run_devlist("${DEVLIST}" "<full>" ${ARGN})
endfunction()

function(wine_agree codepage)
  step_description(description "agree ${codepage}" ${ARGN})
  if(description STREQUAL "")
    return()
  endif()
  find_program(PYTHON3 python3)
  if(NOT PYTHON3 OR NOT DEFINED AGREE)
    fail("${description}: python3 or -DAGREE missing")
    return()
  endif()
  step_time(left)
  wine_command(env)
  now_ms(t0)
  execute_process(COMMAND "${PYTHON3}" "${AGREE}" --codepage ${codepage} ${env} "${WINE}" "${DEVLIST}" -- ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT ${left})
  elapsed_since(${t0} took)
  if(NOT rc STREQUAL "0")
    fail("${description} (${took}): ${rc}" "\n${out}${err}")
    return()
  endif()
  string(STRIP "${out}" out)
  message("ok   ${description} (${took}): ${out}")
endfunction()

# ---- the prefix -----------------------------------------------------------------------------------------------

execute_process(COMMAND mktemp -d -t devlist-wine-XXXXXXXX OUTPUT_VARIABLE scratch RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0 OR NOT IS_DIRECTORY "${scratch}")
  message(FATAL_ERROR "mktemp -d failed: ${rc}")
endif()
set(prefix "${scratch}/prefix")
set(home "${scratch}/home")
file(MAKE_DIRECTORY "${home}")
message("prefix ${prefix}")

include("${SCENARIO}")

# Shut down this prefix's wineserver (and with it any process of ours still running in it), then delete it.
wine_command(env)
execute_process(COMMAND ${env} "${WINESERVER}" -k TIMEOUT 30 OUTPUT_QUIET ERROR_QUIET)
execute_process(COMMAND ${env} "${WINESERVER}" -w TIMEOUT 30 OUTPUT_QUIET ERROR_QUIET)
file(REMOVE_RECURSE "${scratch}")

elapsed_since(${started} total)
get_property(failures GLOBAL PROPERTY failures)
get_property(skipped GLOBAL PROPERTY skipped)
list(LENGTH skipped skipped_count)
if(skipped_count GREATER 0)
  string(APPEND failures "  ${skipped_count} later steps skipped after the failure of register_devices\n")
endif()
if(NOT failures STREQUAL "")
  message("scenario ${scenario_name} failed after ${total}:\n${failures}")
  message(FATAL_ERROR "scenario ${scenario_name} failed")
endif()
if(scenario_skipped)
  message("scenario ${scenario_name} skipped")
else()
  message("scenario ${scenario_name} passed in ${total}")
endif()
