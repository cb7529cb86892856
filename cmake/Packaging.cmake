# The Debian package: `cpack -G DEB` in a build folder gives
# ekaldo_<version>_<arch>.deb, installed under /usr.
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
# The summary line and the long text of `apt show`; a lone "." keeps an empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
Το κεντρικό σύστημα ανταλλαγής φύλλων βαθμολογίας για σχολεία και
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

include(CPack)
