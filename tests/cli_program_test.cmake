# temsetrix-cli as a program: it links no Qt library (its quick commands load none), and report and
# forward run in its Qt part, the module it loads for them, with the outputs and exit statuses of
# one program.
# cmake -DCLI=... -DDEMO=... -DWORK=... -P cli_program_test.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# The libraries the program loads, without running it.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env LD_TRACE_LOADED_OBJECTS=1 "${CLI}"
  RESULT_VARIABLE status OUTPUT_VARIABLE libraries ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT libraries MATCHES "libc\\.so")
  message(FATAL_ERROR "cannot list the libraries of temsetrix-cli: ${status} ${libraries} ${err}")
endif()
if(libraries MATCHES "libQt|libicu|libX11")
  message(FATAL_ERROR "temsetrix-cli loads Qt for every command:\n${libraries}")
endif()

# expect(STATUS OUT_PATTERN ERR_PATTERN args...): one run, its exit status and what it printed.
function(expect expected_status out_pattern err_pattern)
  execute_process(COMMAND "${CLI}" --data-dir "${WORK}/data" ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status STREQUAL "${expected_status}" OR NOT out MATCHES "${out_pattern}" OR NOT err MATCHES "${err_pattern}")
    message(FATAL_ERROR "temsetrix-cli ${ARGN}: status ${status}, not ${expected_status}\n"
      "standard output:\n${out}\nstandard error:\n${err}")
  endif()
endfunction()

expect(0 "^$" "Wrote [0-9]+ pages to [^\n]*Demo\\.PDF\n$" report "${DEMO}" "${WORK}/Demo.PDF")
file(READ "${WORK}/Demo.PDF" head LIMIT 5)
if(NOT head MATCHES "^%PDF-")
  message(FATAL_ERROR "report: ${WORK}/Demo.PDF is no PDF file")
endif()
expect(1 "^$" "^File not found: ${WORK}/Missing\\.TDC\n$" report "${WORK}/Missing.TDC" "${WORK}/Out.PDF")
expect(0 "^Model,Channel,Gate,ConfigGate,Time,dBdt,AppRes,LociDepth\n0,1,1," "data set 2 of 2\n$"
  forward "${DEMO}" --resistivity 100 --work-dir "${WORK}/work")
expect(2 "^$" "--resistivity: \"abc\" in \"abc\" is not a number" forward "${DEMO}" --resistivity abc)
# Bad usage is found before the Qt part loads; its help comes from the program itself.
expect(2 "^$" "CONFIG is required" forward --resistivity 100)
expect(0 "Usage: temsetrix-cli report \\[OPTIONS\\] CONFIG OUT" "^$" report --help)
file(REMOVE_RECURSE "${WORK}")
