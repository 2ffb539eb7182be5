# The shared media library (subsystem 0) is compiled once, as position
# independent code with hidden symbols, and linked statically into every
# deliverable: each module gets its own private copy and so its own log state.
add_library(marlin_shared STATIC
  ${CMAKE_SOURCE_DIR}/shared/mediainfo.cpp
  ${CMAKE_SOURCE_DIR}/shared/mediaprofile.cpp
  ${CMAKE_SOURCE_DIR}/shared/filemediainfo.cpp
  ${CMAKE_SOURCE_DIR}/shared/webmediainfo.cpp
  ${CMAKE_SOURCE_DIR}/shared/progress.cpp
  ${CMAKE_SOURCE_DIR}/shared/kelunits.cpp
  ${CMAKE_SOURCE_DIR}/shared/keltime.cpp
  ${CMAKE_SOURCE_DIR}/shared/keltext.cpp
  ${CMAKE_SOURCE_DIR}/shared/kellog.cpp
  ${CMAKE_SOURCE_DIR}/shared/toollocator.cpp
  ${CMAKE_SOURCE_DIR}/shared/avlibraries.cpp
  ${CMAKE_SOURCE_DIR}/shared/linebuffer.cpp
  ${CMAKE_SOURCE_DIR}/shared/childprocess.h
  ${CMAKE_SOURCE_DIR}/shared/childprocess.cpp
  ${CMAKE_SOURCE_DIR}/shared/privatefolder.cpp
  ${CMAKE_SOURCE_DIR}/shared/ffmpegmessages.cpp
  ${CMAKE_SOURCE_DIR}/shared/runstamp.cpp
  ${CMAKE_SOURCE_DIR}/shared/fileclaim.cpp
)
set_target_properties(marlin_shared PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(marlin_shared PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(marlin_shared PUBLIC Qt6::Core PRIVATE ${CMAKE_DL_LIBS})
# The FFmpeg libraries are loaded when first used (AvLibraries): their headers
# only, never linked.
target_include_directories(marlin_shared PRIVATE $<TARGET_PROPERTY:PkgConfig::FFMPEG,INTERFACE_INCLUDE_DIRECTORIES>)

# marlin_add_shared(<target>): give <target> its own copy of the shared media library.
function(marlin_add_shared target)
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE marlin_shared)
  target_link_libraries(${target} PUBLIC Qt6::Core)
endfunction()
