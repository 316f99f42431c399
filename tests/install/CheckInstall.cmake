# Installs the build into a scratch prefix and checks that the player, the font
# baker, the model converter and the manual arrive where the README says.
# cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file bin/marrowlight bin/ml-fontbaker bin/ml-meshbake share/doc/marrowlight/README.md
        share/doc/marrowlight/command-line.md share/doc/marrowlight/script.md
        share/doc/marrowlight/materials.md share/doc/marrowlight/fonts.md
        share/doc/marrowlight/formats.md share/doc/marrowlight/models.md share/doc/marrowlight/working.md)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "${file} was not installed")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/marrowlight --version RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed player does not run: ${result}")
endif()
execute_process(COMMAND ${PREFIX}/bin/ml-meshbake --help RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed model converter does not run: ${result}")
endif()
file(REMOVE_RECURSE ${PREFIX})
