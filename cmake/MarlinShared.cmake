# The shared media library (subsystem 0) is compiled into every deliverable
# from one set of sources, so each module gets its own log state.
set(MARLIN_SHARED_SOURCES
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
)

# marlin_add_shared(<target>): compile the shared media library into <target>.
function(marlin_add_shared target)
  target_sources(${target} PRIVATE ${MARLIN_SHARED_SOURCES})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC Qt6::Core)
  target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS})
endfunction()
