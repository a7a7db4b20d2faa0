# Writes build_info.h (OUT) with the commit the sources come from, the build type and the
# compiler, for `velmo -version`. Run at every build; the file is rewritten only when its text
# changes, so nothing recompiles without need.
execute_process(COMMAND git -C "${SOURCE_DIR}" describe --always --dirty --abbrev=12
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR commit STREQUAL "")
  set(commit "unknown commit")
endif()
set(text "#define VELMO_BUILD \"${commit}, ${BUILD_TYPE} build, ${COMPILER}${EXTRA}\"\n")
set(old "")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
