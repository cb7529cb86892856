# The Debian package: `cpack -G DEB` in a build folder gives
# ekaldo_<version>_<arch>.deb, installed under /usr.
# The maintainer line is also the signature of the changelog: a release sets
# it to a real address (-DEKALDO_PACKAGE_MAINTAINER="Name <address>").
set(EKALDO_PACKAGE_MAINTAINER "Ομάδα e-Κάλντο <ekaldo@localhost>" CACHE STRING
    "Maintainer line of the Debian package")

set(CPACK_PACKAGE_NAME ekaldo)
set(CPACK_PACKAGE_VENDOR "Ομάδα e-Κάλντο")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${EKALDO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "e-Κάλντο: ανταλλαγή φύλλων βαθμολογίας με τη σχολική βάση δεδομένων")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME ekaldo)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${EKALDO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long text of `apt show` under the summary line, which cpack puts first
# itself; a lone "." keeps an empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Το κεντρικό σύστημα ανταλλαγής φύλλων βαθμολογίας για σχολεία και
φροντιστήρια: διαβάζει μαθητές, τμήματα και μαθήματα από τη σχολική βάση
(πίνακες Paradox), συνθέτει φύλλα βαθμολογίας, τα στέλνει ως αρχεία .agd,
τα δέχεται πίσω συμπληρωμένα, τα ελέγχει και καταχωρεί τους βαθμούς.
.
Central system for exchanging grade sheets with a school database of
Paradox tables, with a Greek user interface. Includes ekaldo-cli, the same
core on the command line, and a demo tutoring centre written into the
user's data folder on the first start.")
# The libraries linked in (Qt 6, pxlib, SQLite) become dependencies on their
# own; what is loaded at run time is named here: Qt's display plugins and
# fonts with Greek letters, Liberation standing in for the Arial of the grids.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

# Control files and folders with the modes Debian expects, whatever the umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# What Debian asks of every package beside the programs: the copyright, the
# changelog and a manual page for each program (ekaldo-cli's is made from its
# --help in tools/), compressed as Debian keeps them.
find_program(EKALDO_GZIP gzip REQUIRED)
set(EKALDO_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${EKALDO_PACKAGING_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${EKALDO_PACKAGING_DIR}/changelog.gz ${EKALDO_PACKAGING_DIR}/ekaldo.1.gz
  COMMAND ${EKALDO_GZIP} -9nc ${EKALDO_PACKAGING_DIR}/changelog > ${EKALDO_PACKAGING_DIR}/changelog.gz
  COMMAND ${EKALDO_GZIP} -9nc ${PROJECT_SOURCE_DIR}/app/ekaldo.1 > ${EKALDO_PACKAGING_DIR}/ekaldo.1.gz
  DEPENDS ${EKALDO_PACKAGING_DIR}/changelog ${PROJECT_SOURCE_DIR}/app/ekaldo.1
  COMMENT "Changelog and manual page of the package")
add_custom_target(ekaldo_package_docs ALL
  DEPENDS ${EKALDO_PACKAGING_DIR}/changelog.gz ${EKALDO_PACKAGING_DIR}/ekaldo.1.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${EKALDO_PACKAGING_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${EKALDO_PACKAGING_DIR}/ekaldo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The compiler's signature (.comment) goes too, as Debian's own stripping drops it.
if(CMAKE_OBJCOPY)
  install(CODE "
    foreach(program ekaldo ekaldo-cli)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
    endforeach()")
endif()

include(CPack)
