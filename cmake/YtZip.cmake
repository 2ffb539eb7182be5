# yt.zip: the extractor tool as a Python zip application, made from Debian's
# yt-dlp package, with bytecode precompiled so that the tool starts quickly;
# yt.puxc beside it describes that version for the tool updater.
find_program(MARLIN_PYTHON NAMES python3 REQUIRED)
set(MARLIN_YTDLP_DIR "/usr/lib/python3/dist-packages/yt_dlp" CACHE PATH "Source of the extractor tool package")
if(NOT EXISTS "${MARLIN_YTDLP_DIR}/__init__.py")
  message(FATAL_ERROR
    "yt.zip is made from Debian's yt-dlp package, which is not installed "
    "(no ${MARLIN_YTDLP_DIR}). Install it with: apt-get install yt-dlp "
    "(or run scripts/install-deps.sh).")
endif()

file(GLOB_RECURSE MARLIN_YTDLP_FILES CONFIGURE_DEPENDS "${MARLIN_YTDLP_DIR}/*.py")
add_custom_command(
  OUTPUT ${MARLIN_APP_DIR}/yt.zip ${MARLIN_APP_DIR}/yt.puxc
  COMMAND ${MARLIN_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/make-ytzip.py
          --source ${MARLIN_YTDLP_DIR} --output ${MARLIN_APP_DIR}/yt.zip
  DEPENDS ${MARLIN_YTDLP_FILES} ${CMAKE_SOURCE_DIR}/scripts/make-ytzip.py
  COMMENT "Building yt.zip from ${MARLIN_YTDLP_DIR}"
  VERBATIM)
add_custom_target(ytzip ALL DEPENDS ${MARLIN_APP_DIR}/yt.zip ${MARLIN_APP_DIR}/yt.puxc)
