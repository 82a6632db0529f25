# Runs the real Linux binary as a user would: the usage line under different executable names, and the
# exit code, which is 0 whatever the arguments.
# cmake -DDEVLIST=<path to devlist> -DWORK=<scratch dir> -P run.cmake
file(REMOVE_RECURSE ${WORK})
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

# A bad GUID is passed through to the lister, which says so; nothing stops the run.
expect_output(${DEVLIST} "*** setup {\nUnable to convert to guid.\n\n" "{")
expect_output(${DEVLIST} "*** interface {\nUnable to convert to guid.\n\n" interface "{")
