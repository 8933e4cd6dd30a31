# Each program answers --help and --version on standard output with exit status 0, without a
# display (the manual pages are made from them on build machines), and refuses what it does not
# know with status 2.
# cmake -DPROGRAMS="name=path;..." -DVERSION=... -P program_options_test.cmake
foreach(entry ${PROGRAMS})
  string(REPLACE "=" ";" entry "${entry}")
  list(GET entry 0 name)
  list(GET entry 1 path)
  foreach(option --help --version)
    # No display and the X11 platform: a program that opened the window system first fails here.
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
        QT_QPA_PLATFORM=xcb "${path}" ${option}
      RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(option STREQUAL "--help")
      set(expected "Usage: ${name} ")
    else()
      set(expected "^${name} \\(TEM Setrix\\) ${VERSION}\n$")
    endif()
    if(NOT status EQUAL 0 OR NOT out MATCHES "${expected}")
      message(FATAL_ERROR "${name} ${option}: status ${status}, output:\n${out}\n${err}")
    endif()
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen "${path}" --no-such-option
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 2)
    message(FATAL_ERROR "${name} --no-such-option: status ${status}, not 2")
  endif()
endforeach()
