# The installed layout, under any prefix:
#   bin/pallion, bin/pallion-cli            RUNPATH $ORIGIN/../lib/pallion
#   lib/pallion/lib{rillex,tagora,gimlet,ferrule}.so
#   share/applications, share/mime/packages, share/icons/hicolor/scalable/apps, share/metainfo
# The library loader also looks in ../lib/pallion beside the program, for the libraries it
# loads by name.
set(PALLION_INSTALL_LIBDIR lib/pallion)
set(desktop ${PROJECT_SOURCE_DIR}/viewer/ui/desktop)

set_target_properties(pallion pallion-cli PROPERTIES INSTALL_RPATH "$ORIGIN/../${PALLION_INSTALL_LIBDIR}")
set_target_properties(rillex tagora gimlet ferrule PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS pallion pallion-cli RUNTIME DESTINATION bin)
install(TARGETS rillex tagora gimlet ferrule LIBRARY DESTINATION ${PALLION_INSTALL_LIBDIR})
install(FILES ${desktop}/example.corvane.Pallion.desktop DESTINATION share/applications)
install(FILES ${desktop}/example.corvane.Pallion.xml DESTINATION share/mime/packages)
install(FILES ${desktop}/example.corvane.Pallion.metainfo.xml DESTINATION share/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/viewer/ui/resources/pallion.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME example.corvane.Pallion.svg)
