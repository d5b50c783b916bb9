# `cmake --install build --prefix DIR`: the runnable tree under DIR/lib/tarntool (the program reads
# its defaults beside itself), the commands DIR/bin/tarntool and DIR/bin/tarn, a desktop entry with
# its icons and AppStream metadata, and the manual pages. scripts/package.sh makes the Debian
# package from the same rules.
set(TARN_INSTALL_DIR lib/tarntool)

# A program with file capabilities runs in secure-execution mode, where the loader ignores $ORIGIN:
# the package names its private folder instead.
set(TARN_INSTALL_RUNPATH "$ORIGIN" CACHE STRING
    "RUNPATH of the installed programs: $ORIGIN for a tree of its own, the absolute private folder for a package")
set(TARN_APP_ID org.tarntool.TarnTool)

set_target_properties(TarnTool tarn_cli tarn PROPERTIES INSTALL_RPATH "${TARN_INSTALL_RUNPATH}")
install(TARGETS TarnTool tarn_cli RUNTIME DESTINATION ${TARN_INSTALL_DIR})
install(TARGETS tarn LIBRARY DESTINATION ${TARN_INSTALL_DIR})
install(TARGETS CommonSkin LIBRARY DESTINATION ${TARN_INSTALL_DIR}/plugins/skins)
install(FILES ${TARN_BIN_DIR}/Setup.xml ${TARN_BIN_DIR}/ColumnConfig.xml
              "${TARN_BIN_DIR}/TARN User Manual.pdf" "${TARN_BIN_DIR}/TARN用户使用手册.pdf"
              ${PROJECT_SOURCE_DIR}/packaging/trusted-makers.txt
        DESTINATION ${TARN_INSTALL_DIR})
install(DIRECTORY ${TARN_BIN_DIR}/translations DESTINATION ${TARN_INSTALL_DIR})

set(TARN_SKIN_IMAGES ${PROJECT_BINARY_DIR}/platform/skins/CommonSkin/CommonSkin-images/TARNTool/Images/TARNTool/SystemInfo)
install(FILES ${TARN_SKIN_IMAGES}/logo_large.png DESTINATION share/icons/hicolor/64x64/apps RENAME tarntool.png)
install(FILES ${TARN_SKIN_IMAGES}/logo_large@2x.png DESTINATION share/icons/hicolor/128x128/apps RENAME tarntool.png)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TARN_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The manual pages, compressed as Debian installs them.
find_program(TARN_GZIP gzip REQUIRED)
set(TARN_MAN_PAGES)
foreach(page tarn.1 tarntool.1)
    set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${TARN_GZIP} -9nc ${PROJECT_SOURCE_DIR}/docs/man/${page} > ${out}
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}
        VERBATIM)
    list(APPEND TARN_MAN_PAGES ${out})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${TARN_MAN_PAGES})
install(FILES ${TARN_MAN_PAGES} DESTINATION share/man/man1)

# The commands and the entry name the programs by their installed paths, known only when installing:
# on the search path for /usr, in full elsewhere.
install(CODE "set(TARN_APP_ID ${TARN_APP_ID})")
install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(MAKE_DIRECTORY "${root}/bin" "${root}/share/applications")
    file(CREATE_LINK ../lib/tarntool/TarnTool "${root}/bin/tarntool" SYMBOLIC)
    file(CREATE_LINK ../lib/tarntool/tarn "${root}/bin/tarn" SYMBOLIC)
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        set(exec tarntool)
    else()
        set(exec "${CMAKE_INSTALL_PREFIX}/bin/tarntool")
    endif()
    file(WRITE "${root}/share/applications/${TARN_APP_ID}.desktop"
"[Desktop Entry]
Type=Application
Version=1.0
Name=TARN Tool
Name[zh_CN]=TARN 工具
GenericName=Device configuration
Comment=Find, activate and configure network cameras and video recorders
Comment[zh_CN]=搜索、激活并配置网络摄像机和录像机
Exec=${exec}
TryExec=${exec}
Icon=tarntool
Terminal=false
Categories=Network;Qt;
Keywords=camera;recorder;activate;IP;
")
    message(STATUS "Installing: ${root}/share/applications/${TARN_APP_ID}.desktop")
]])
