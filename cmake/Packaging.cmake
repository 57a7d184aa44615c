# What an installed program consists of, and the Debian package made of it with `make deb`.
#
# The package is made by CPack from the normal build tree: `make deb` costs a strip and a tar, not a
# second compile. CPack's defaults would not pass lintian, so everything lintian asks of a package is
# given here: the copyright file and changelog, a stripped binary, a real description, dependencies from
# dpkg-shlibdeps plus the ones it cannot see (the Qt database drivers and a font for the Chinese text).
set(VORLAN_APP_ID cn.vorlan.Vorlan)
set(VORLAN_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(VORLAN_PACKAGE_OUT ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS vorlan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The mark of an installed layout: the program beside it keeps its data in the per-user folder.
install(FILES ${VORLAN_PACKAGING}/installed DESTINATION ${CMAKE_INSTALL_DATADIR}/vorlan)
install(FILES ${VORLAN_PACKAGING}/${VORLAN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${VORLAN_PACKAGING}/${VORLAN_APP_ID}.metainfo.xml
    ${VORLAN_PACKAGE_OUT}/${VORLAN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${VORLAN_PACKAGE_OUT}/${VORLAN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
    install(FILES ${VORLAN_PACKAGING}/icons/${size}/vorlan.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${VORLAN_PACKAGING}/icons/vorlan.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page, from the program's own --help text.
add_custom_command(OUTPUT ${VORLAN_PACKAGE_OUT}/vorlan.1.gz
    COMMAND ${CMAKE_COMMAND} -DVORLAN=$<TARGET_FILE:vorlan> -DVERSION=${PROJECT_VERSION}
            -DOUT=${VORLAN_PACKAGE_OUT}/vorlan.1.gz -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS vorlan ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Manual page vorlan.1")
add_custom_target(vorlan_manpage ALL DEPENDS ${VORLAN_PACKAGE_OUT}/vorlan.1.gz)
install(FILES ${VORLAN_PACKAGE_OUT}/vorlan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's documentation files: the copyright as it is, the changelog gzipped without a time stamp.
configure_file(${VORLAN_PACKAGING}/changelog.in ${VORLAN_PACKAGE_OUT}/changelog @ONLY)
add_custom_command(OUTPUT ${VORLAN_PACKAGE_OUT}/changelog.gz
    COMMAND gzip -9nkf ${VORLAN_PACKAGE_OUT}/changelog
    DEPENDS ${VORLAN_PACKAGE_OUT}/changelog)
add_custom_target(vorlan_changelog ALL DEPENDS ${VORLAN_PACKAGE_OUT}/changelog.gz)
install(FILES ${VORLAN_PACKAGING}/copyright ${VORLAN_PACKAGE_OUT}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vorlan <support@vorlan.cn>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print variable data onto pre-printed paper forms")
set(CPACK_PACKAGE_DESCRIPTION "Vorlan keeps a template for every kind of pre-printed form (express waybills,
bank remittance slips, invoices): a scan of the blank form with named input
points laid over it. The clerk fills the values, picks customers from the
register, turns amounts into Chinese capital numerals and prints only the
values, exactly into the boxes of the form. Every printed sheet is logged and
can be searched. The user interface is in Simplified Chinese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.vorlan.cn)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What dpkg-shlibdeps cannot see: the database drivers are plugins, the font is only needed on paper.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, fonts-arphic-uming | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, fcitx5-frontend-qt6 | ibus")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "printer-driver-cups-pdf")
include(CPack)

