# A .deb for Debian 12: both editions, tarvix-db, the menu entry, icons and metainfo,
# the manual pages, the bash completion, the copyright file and the changelog.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvix)
set(CPACK_PACKAGE_VERSION "${TARVIX_EDITION}")
# The date of the changelog's newest entry (a test keeps the two in step).
set(TARVIX_RELEASE_EPOCH 1796731200)
set(CPACK_PACKAGE_VENDOR "Tarvix")
set(CPACK_PACKAGE_CONTACT "Tarvix <dezvoltare@tarvix.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Ce capitole tratează un cuvânt cheie")
set(CPACK_PACKAGE_DESCRIPTION [=[
Tarvix răspunde la o singură întrebare: ce capitole ale unei lucrări (un
curs, un manual, o teză) tratează un cuvânt cheie dat? Programul păstrează
un dicționar de cuvinte, titlurile capitolelor și legăturile dintre ele
într-un fișier de date SQLite, Dictionar.mdb, și arată, în ordinea
alfabetului românesc, capitolele legate de un cuvânt. Trei ferestre de
editare țin la zi capitolele, cuvintele și legăturile. Totul este în limba
română.

Unealta tarvix-db face, verifică, exportă și importă (CSV) fișierele de date,
aduce datele unui dicționar Access mai vechi (Jet 3, Jet 4, ACE) și scrie
tot indexul ca document de tipărit: text, o pagină HTML sau LaTeX.

Pachetul conține cele două ediții, tarvix (1.00.0007) și tarvix-1.00.0005.]=])
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tarvix.example/")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Libraries from what the programs link (dpkg-shlibdeps); the Qt platform plugin is loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# Stripped programs; the build folder's own keep their debug symbols under the same build ID.
# (CMake 3.25's tarvix-dbgsym package lists wrong paths in its md5sums, so none is made.)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

add_subdirectory(${PROJECT_SOURCE_DIR}/man ${PROJECT_BINARY_DIR}/man)
add_subdirectory(${PROJECT_SOURCE_DIR}/completion ${PROJECT_BINARY_DIR}/completion)
add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${PROJECT_BINARY_DIR}/packaging)
include(CPack)
