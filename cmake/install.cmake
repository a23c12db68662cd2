# Installation and the Debian package.
#
# The program looks for help.txt in its own folder, so on Linux the program, velmora-cli and help.txt
# live together in lib/velmora, with links in bin; on Windows everything goes to bin.
include(GNUInstallDirs)

if(WIN32)
  set(VELMORA_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
else()
  set(VELMORA_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/velmora)
endif()

set(VELMORA_INSTALL_TARGETS velmora)
if(TARGET velmora-cli)
  list(APPEND VELMORA_INSTALL_TARGETS velmora-cli)
endif()
install(TARGETS ${VELMORA_INSTALL_TARGETS} RUNTIME DESTINATION ${VELMORA_PROGRAM_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/help.txt DESTINATION ${VELMORA_PROGRAM_DIR})

if(NOT WIN32)
  foreach(program ${VELMORA_INSTALL_TARGETS})
    install(CODE "
      set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(RELATIVE_PATH target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" \"\${CMAKE_INSTALL_PREFIX}/${VELMORA_PROGRAM_DIR}/${program}\")
      file(REMOVE \"\${link}\")
      file(CREATE_LINK \"\${target}\" \"\${link}\" SYMBOLIC)
      message(STATUS \"Installing: \${link} -> \${target}\")
    ")
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/velmora_icon.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME velmora.png)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora/examples
          FILES_MATCHING PATTERN "*.xlsx" PATTERN "*.xls" PATTERN "*.ods")
endif()

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <maintainers@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fills in and prints Chinese postal remittance forms")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Song face the windows and the printed forms use and the faces that hold CJK Extensions A to F
# for it, the print system's Qt plugin, and Qt's own Chinese texts for the printer and file dialogs and
# the message-box buttons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, fonts-hanazono, libqt6printsupport6, libqt6gui6, qt6-translations-l10n, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
include(CPack)
