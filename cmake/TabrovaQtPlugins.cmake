# A static Qt (the Windows build of scripts/windows-deps) puts into each program only the plugins
# it is told to: the desktop's platform comes by default, the others are named here. A shared Qt
# loads its plugins at run time and needs nothing.
function(tabrova_qt_platforms target)
  if(NOT TARGET Qt6::Gui)
    find_package(Qt6 REQUIRED COMPONENTS Gui)
  endif()
  get_target_property(qt_core_type Qt6::Core TYPE)
  if(qt_core_type STREQUAL "STATIC_LIBRARY")
    set(plugins)
    foreach(platform ${ARGN})  # "offscreen" -> Qt6::QOffscreenIntegrationPlugin
      string(SUBSTRING ${platform} 0 1 first)
      string(SUBSTRING ${platform} 1 -1 rest)
      string(TOUPPER ${first} first)
      list(APPEND plugins Qt6::Q${first}${rest}IntegrationPlugin)
    endforeach()
    qt_import_plugins(${target} INCLUDE ${plugins})
  endif()
endfunction()

# The platform that draws the tools' pictures without a display: offscreen, whose fonts on Linux
# are the system's (fontconfig); on Windows offscreen reads font files from a folder of its own, so
# the minimal platform with the system's font database (GDI) draws them there.
# TABROVA_PICTURE_PLUGIN is the plugin's name for tabrova_qt_platforms.
if(WIN32)
  set(TABROVA_PICTURE_PLATFORM "minimal:enable_fonts")
  set(TABROVA_PICTURE_PLUGIN minimal)
else()
  set(TABROVA_PICTURE_PLATFORM "offscreen")
  set(TABROVA_PICTURE_PLUGIN offscreen)
endif()
