# The Debian package, built by CPack (`cpack -G DEB` in a build folder;
# tools/package.sh does it with Debian's build flags and checks the result).
# Everything `cmake --install` puts under the prefix goes in, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvel)
set(CPACK_PACKAGE_VENDOR Veldrana)
set(CPACK_PACKAGE_CONTACT "Veldrana <orvel@veldrana.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "English-Japanese dictionary that looks words up while you type")
set(CPACK_PACKAGE_DESCRIPTION
  "Orvel reads large dictionary text files in the Eijiro format (Shift_JIS
or UTF-8, one entry per line). Once per dictionary it builds an index of
the entry words, and from then on it shows a word's entries while it is
typed: headings, parts of speech, numbered senses and examples.

It finds what is meant when the word itself is missing (phrases, English
and Japanese base forms, kana and width variants, romaji, the nearest
entry), searches inside entries, keeps a notebook of looked-up and starred
words, and exports it as flash cards. orvel-cli does the same from a
terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders 0755 whatever the umask of the one who builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://veldrana.example/)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link, found by dpkg-shlibdeps; and the Qt
# plug-ins they load at run time, which no linker sees: the SQLite driver of
# the index and the SVG reader of the icons.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6")
# Debian's Japanese-English dictionary data, and the speech engine that
# reads words aloud (Qt's plug-in for it and the speech server itself):
# without them Orvel works, silent.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "edict, qt6-speech-speechd-plugin, speech-dispatcher")
include(CPack)
