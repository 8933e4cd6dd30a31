# Installs the build into a fresh prefix and checks the layout a moved installation needs:
# the programs in bin/, the shipped data in share/temsetrix/, and the installed command line
# reading the installed demonstration configuration.
# cmake -DBUILD_DIR=... -DPREFIX=... -P install_layout_test.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(file bin/temsetrix bin/temsetrix-cli bin/temsetrix-engine share/temsetrix/DemoConfig.TDC
    share/temsetrix/Channel_Files/DualMoment_HM_32.chn share/temsetrix/Channel_Files/DualMoment_LM_28.chn
    share/temsetrix/filters/key201_hankel_2012.txt)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/temsetrix-cli" --data-dir "${PREFIX}/data" show
    "${PREFIX}/share/temsetrix/DemoConfig.TDC"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "\"NumTx\": 2")
  message(FATAL_ERROR "the installed temsetrix-cli cannot show the installed demonstration: ${status} ${err}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
