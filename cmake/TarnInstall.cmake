# `cmake --install build --prefix DIR`: the runnable tree under DIR/lib/tarntool (the program reads
# everything beside itself), links DIR/bin/TarnTool and DIR/bin/tarn (the command line), and a
# desktop entry with its icon.
set(TARN_INSTALL_DIR lib/tarntool)

set_target_properties(TarnTool tarn_cli tarn PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS TarnTool tarn_cli RUNTIME DESTINATION ${TARN_INSTALL_DIR})
install(TARGETS tarn LIBRARY DESTINATION ${TARN_INSTALL_DIR})
install(TARGETS CommonSkin LIBRARY DESTINATION ${TARN_INSTALL_DIR}/plugins/skins)
install(FILES ${TARN_BIN_DIR}/Setup.xml ${TARN_BIN_DIR}/ColumnConfig.xml
              "${TARN_BIN_DIR}/TARN User Manual.pdf" "${TARN_BIN_DIR}/TARN用户使用手册.pdf"
        DESTINATION ${TARN_INSTALL_DIR})
install(DIRECTORY ${TARN_BIN_DIR}/translations DESTINATION ${TARN_INSTALL_DIR})

set(TARN_SKIN_IMAGES ${PROJECT_BINARY_DIR}/platform/skins/CommonSkin/CommonSkin-images/TARNTool/Images/TARNTool/SystemInfo)
install(FILES ${TARN_SKIN_IMAGES}/logo_large.png DESTINATION share/icons/hicolor/64x64/apps RENAME tarntool.png)
install(FILES ${TARN_SKIN_IMAGES}/logo_large@2x.png DESTINATION share/icons/hicolor/128x128/apps RENAME tarntool.png)

# The entry names the program by its installed path, known only when installing.
install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(MAKE_DIRECTORY "${root}/bin" "${root}/share/applications")
    file(CREATE_LINK ../lib/tarntool/TarnTool "${root}/bin/TarnTool" SYMBOLIC)
    file(CREATE_LINK ../lib/tarntool/tarn "${root}/bin/tarn" SYMBOLIC)
    file(WRITE "${root}/share/applications/tarntool.desktop"
"[Desktop Entry]
Type=Application
Version=1.0
Name=TARN Tool
Name[zh_CN]=TARN 工具
GenericName=Device configuration
Comment=Find, activate and configure network cameras and video recorders
Comment[zh_CN]=搜索、激活并配置网络摄像机和录像机
Exec=${CMAKE_INSTALL_PREFIX}/lib/tarntool/TarnTool
TryExec=${CMAKE_INSTALL_PREFIX}/lib/tarntool/TarnTool
Icon=tarntool
Terminal=false
Categories=Network;Qt;
Keywords=camera;recorder;activate;IP;
")
    message(STATUS "Installing: ${root}/share/applications/tarntool.desktop")
]])
