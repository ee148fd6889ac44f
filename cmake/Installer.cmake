# The Windows setup program, Kalvenix-<version>-setup.exe in the build folder, made by makensis
# (Debian's nsis) from resources/windows/Kalvenix.nsi with the program and the converter as
# built; target `installer`, part of `all`, and its test under Wine.
#
# Whether the program is part of this build is known only once every folder has been read, so
# the decision waits for the end of the top folder, wherever this file is included.
find_program(KALVENIX_MAKENSIS makensis DOC "makensis, from Debian's nsis package")

function(kalvenix_add_installer)
  if(NOT KALVENIX_MAKENSIS)
    if("$ENV{CI}" STREQUAL "true")
      message(FATAL_ERROR "Installer: makensis not found, and under CI=true the setup program "
                          "is part of the build (Debian package nsis, see scripts/setup)")
    endif()
    message(STATUS "Installer: makensis not found (Debian package nsis, see scripts/setup); "
                   "the setup program is not built")
    return()
  endif()
  if(NOT TARGET Kalvenix)
    message(STATUS "Installer: this build has no Kalvenix program yet; "
                   "the setup program is not built")
    return()
  endif()

  # The version record wants four numbers; "1.01" is 1.1.0.0 as in resources/kalvenix.rc.
  math(EXPR minor "${PROJECT_VERSION_MINOR}")
  set(version_quad "${PROJECT_VERSION_MAJOR}.${minor}.0.0")
  set(script ${CMAKE_SOURCE_DIR}/resources/windows/Kalvenix.nsi)
  set(icon ${CMAKE_SOURCE_DIR}/resources/kalvenix.ico)
  set(staging ${CMAKE_CURRENT_BINARY_DIR}/installer)
  set(setup_exe ${CMAKE_BINARY_DIR}/Kalvenix-${PROJECT_VERSION}-setup.exe)

  # Users get the files without their debug information: a fifth of the size, and a
  # setup program that compresses in seconds.
  add_custom_command(OUTPUT ${setup_exe}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staging}
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${staging}/Kalvenix.exe $<TARGET_FILE:Kalvenix>
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${staging}/Quorvel.dll $<TARGET_FILE:Quorvel>
    COMMAND ${KALVENIX_MAKENSIS} -V2 -WX -NOCD -INPUTCHARSET UTF8
            -DVERSION=${PROJECT_VERSION} -DVERSION_QUAD=${version_quad}
            -DKALVENIX_EXE=${staging}/Kalvenix.exe -DQUORVEL_DLL=${staging}/Quorvel.dll
            -DICON=${icon} -DOUTFILE=${setup_exe} ${script}
    DEPENDS ${script} ${icon} Kalvenix Quorvel
    COMMENT "Making Kalvenix-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
  add_custom_target(installer ALL DEPENDS ${setup_exe})
  message(STATUS "Installer: ${setup_exe} (target installer)")

  if(KALVENIX_BUILD_TESTS)
    # Installs, registers the converter, uninstalls, in a Wine prefix of its own made afresh
    # with a home folder of its own (Wine links the user's Pictures folder to $HOME). Its
    # registry is its own too, so it needs no lock against the other COM tests.
    add_test(NAME windows_installer
      COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/installer_test.sh
              ${CMAKE_SOURCE_DIR}/cmake/wine-run ${CMAKE_BINARY_DIR}/installer-test ${setup_exe})
    set_tests_properties(windows_installer PROPERTIES TIMEOUT 300)
    # The installed program driven as a user drives it, on an X server and a prefix of its
    # own: the dialog, the batch, the program's own registration, the uninstaller.
    add_test(NAME windows_program_end_to_end
      COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/program_e2e_test.sh
              ${CMAKE_SOURCE_DIR}/cmake/wine-run-display ${CMAKE_BINARY_DIR}/program-e2e
              ${setup_exe})
    set_tests_properties(windows_program_end_to_end PROPERTIES TIMEOUT 300)
  endif()
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL kalvenix_add_installer)
