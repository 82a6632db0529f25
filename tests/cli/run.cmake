# Runs the real Linux binary as a user would: the usage line under different executable names, and the
# exit code, which is 0 whatever the arguments unless the output cannot be written.
# cmake -DDEVLIST=<path to devlist> -DVERSION=<project version> -DWORK=<scratch dir> -P run.cmake
# rm, not file(REMOVE_RECURSE): the long-path case leaves a tree deeper than PATH_MAX.
execute_process(COMMAND rm -rf ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(expect_output exe expected)
  execute_process(COMMAND ${exe} ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${exe} ${ARGN}: exit code ${rc}, expected 0")
  endif()
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "${exe} ${ARGN}: got\n[${out}]\nexpected\n[${expected}]")
  endif()
endfunction()

set(tail " setup|interface|present|not-present|{guid}\n")
expect_output(${DEVLIST} "\ndevlist${tail}" Setup)
expect_output(${DEVLIST} "\ndevlist${tail}" setup {4d36e96b-e325-11ce-bfc1-08002be10318} extra)
expect_output(${DEVLIST} "\ndevlist${tail}" interface /setup interface)

file(COPY_FILE ${DEVLIST} ${WORK}/dev.list.exe)
expect_output(${WORK}/dev.list.exe "\ndev.list${tail}" -setup)
file(COPY_FILE ${DEVLIST} ${WORK}/.hidden)
expect_output(${WORK}/.hidden "\n${tail}" present-only)

# The name comes from the whole module path, however long: past MAX_PATH (260), and past the 4096 bytes up to
# which the kernel reads the executable's link. The deep tree is made and run from relative paths, since no
# single system call takes a path that long (18 folders of 250 bytes: more than 4500 bytes).
string(REPEAT "d" 120 dir)
file(MAKE_DIRECTORY ${WORK}/long/${dir}/${dir}/${dir})
file(COPY_FILE ${DEVLIST} ${WORK}/long/${dir}/${dir}/${dir}/devlist)
expect_output(${WORK}/long/${dir}/${dir}/${dir}/devlist "\ndevlist${tail}" bogus)
string(REPEAT "e" 250 dir)
execute_process(
  COMMAND sh -c "cd \"$1\" && mkdir deep && cd deep && for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18; do mkdir $2 && cd -P $2 || exit 1;\
                 done && cp \"$3\" ./deep.tool && ./deep.tool bogus"
          sh ${WORK} ${dir} ${DEVLIST}
  OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "\ndeep${tail}")
  message(FATAL_ERROR "devlist at a path of more than 4200 bytes: exit code ${rc}, got\n[${out}]")
endif()
execute_process(COMMAND rm -rf ${WORK}/long ${WORK}/deep)

# The version: one line, whatever the executable is called.
expect_output(${DEVLIST} "devlist ${VERSION}\n" --version)
expect_output(${WORK}/dev.list.exe "devlist ${VERSION}\n" --version)
expect_output(${DEVLIST} "\ndevlist${tail}" --version extra)

# A bad GUID is passed through to the lister, which says so; nothing stops the run.
expect_output(${DEVLIST} "*** setup {\nUnable to convert to guid.\n\n" "{")
expect_output(${DEVLIST} "*** interface {\nUnable to convert to guid.\n\n" interface "{")

# Output that cannot be written is the one failure with a status of its own: one line on standard error, 1.
foreach(arguments "setup" "json" "interface;json" "--version" "bogus")
  execute_process(COMMAND ${DEVLIST} ${arguments} OUTPUT_FILE /dev/full ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 1 OR NOT err STREQUAL "devlist: cannot write the listing: No space left on device\n")
    message(FATAL_ERROR "devlist ${arguments} >/dev/full: exit code ${rc}, standard error\n[${err}]")
  endif()
endforeach()
# A reader that stops early ends the run without a word: killed by SIGPIPE (141 in the shell) as usual, or,
# with SIGPIPE ignored, through the failed write, with 0.
foreach(arguments "" "json" "interface")
  foreach(trap "" "trap '' PIPE;")
    execute_process(
      COMMAND sh -c "${trap} { \"$1\" ${arguments} 2>\"$2\"; echo $? >\"$3\"; } | head -c 1 >/dev/null"
              sh ${DEVLIST} ${WORK}/pipe.err ${WORK}/pipe.rc
      RESULT_VARIABLE rc)
    file(READ ${WORK}/pipe.err err)
    file(STRINGS ${WORK}/pipe.rc status)
    if(NOT rc EQUAL 0 OR NOT err STREQUAL "" OR NOT status MATCHES "^(0|141)$")
      message(FATAL_ERROR "devlist ${arguments} | head (${trap}): exit code ${status}, standard error\n[${err}]")
    endif()
  endforeach()
endforeach()
