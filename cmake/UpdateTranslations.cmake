# cmake -DLUPDATE=<lupdate> -DSOURCE_DIR=<top of the tree> -DTS_DIR=<folder of the .ts files> -P UpdateTranslations.cmake
#
# Brings every .ts file in TS_DIR in step with the sources: the tool's texts from src/, the toolkit's
# from platform/toolkit/. English is the source language, so the English files hold plural forms only.
# Texts that are gone from the sources are dropped, so nothing stale lingers for translators.
foreach(var LUPDATE SOURCE_DIR TS_DIR)
    if(NOT ${var})
        message(FATAL_ERROR "UpdateTranslations.cmake needs -D${var}=...")
    endif()
endforeach()

function(tarn_lupdate ts language sources)
    set(extra ${ARGN})
    execute_process(
        COMMAND ${LUPDATE} -silent -recursive -no-obsolete -locations relative
                -source-language en -target-language ${language} ${extra}
                ${sources} -ts ${TS_DIR}/${ts}
        WORKING_DIRECTORY ${SOURCE_DIR}
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "lupdate failed for ${ts}")
    endif()
endfunction()

tarn_lupdate(tarntool_zh.ts zh_CN src)
tarn_lupdate(tarntool_en.ts en src -pluralonly)
tarn_lupdate(OrvoGUIToolkit_zh.ts zh_CN platform/toolkit)
tarn_lupdate(HostWatch_en.ts en platform/toolkit -pluralonly)
