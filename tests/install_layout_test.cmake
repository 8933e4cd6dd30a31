# Installs the build into a fresh prefix and checks the layout a moved installation needs:
# the programs in bin/, the command line's Qt part in the library folder (QT_MODULE), the shipped
# data in share/temsetrix/, and the installed command line reading the installed demonstration
# configuration and running the engine through its installed Qt part; with DESKTOP_FILES, the
# desktop entry, file types, icons, AppStream metadata and manual pages where the desktop and
# man(1) look for them.
# cmake -DBUILD_DIR=... -DPREFIX=... -DQT_MODULE=lib/... [-DDESKTOP_FILES=ON] -P install_layout_test.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(file bin/temsetrix bin/temsetrix-cli bin/temsetrix-engine "${QT_MODULE}" share/temsetrix/DemoConfig.TDC
    share/temsetrix/Channel_Files/DualMoment_HM_32.chn share/temsetrix/Channel_Files/DualMoment_LM_28.chn
    share/temsetrix/filters/key201_hankel_2012.txt)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
if(DESKTOP_FILES)
  set(id org.temsetrix.temsetrix)
  foreach(file share/applications/${id}.desktop share/mime/packages/${id}.xml
      share/metainfo/${id}.metainfo.xml share/icons/hicolor/scalable/apps/${id}.svg
      share/icons/hicolor/48x48/apps/${id}.png share/icons/hicolor/256x256/apps/${id}.png
      share/man/man1/temsetrix.1.gz share/man/man1/temsetrix-cli.1.gz
      share/man/man1/temsetrix-engine.1.gz share/doc/temsetrix/copyright share/doc/temsetrix/changelog.gz)
    if(NOT EXISTS "${PREFIX}/${file}")
      message(FATAL_ERROR "not installed: ${file}")
    endif()
  endforeach()
endif()
execute_process(COMMAND "${PREFIX}/bin/temsetrix-cli" --data-dir "${PREFIX}/data" show
    "${PREFIX}/share/temsetrix/DemoConfig.TDC"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "\"NumTx\": 2")
  message(FATAL_ERROR "the installed temsetrix-cli cannot show the installed demonstration: ${status} ${err}")
endif()
# forward runs in the installed Qt part, found from the installed program.
execute_process(COMMAND "${PREFIX}/bin/temsetrix-cli" --data-dir "${PREFIX}/data" forward
    "${PREFIX}/share/temsetrix/DemoConfig.TDC" --resistivity 100
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "^Model,Channel,Gate,ConfigGate,Time,dBdt,AppRes,LociDepth\n0,1,1,")
  message(FATAL_ERROR "the installed temsetrix-cli cannot run the installed engine: ${status} ${err}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
