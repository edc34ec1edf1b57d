# wxWidgets as one target, nimbral_wx, carrying its include folders,
# definitions and libraries to whatever links it.
add_library(nimbral_wx INTERFACE)
if(NIMBRAL_PLATFORM STREQUAL "win32")
  # The static wxMSW that scripts/bootstrap windows cross-builds into the
  # cache, read through its own wx-config (FindwxWidgets cannot describe a
  # cross build). Include folders and definitions are set apart from the
  # other flags, so the resource compiler sees them too (wx's own resources).
  find_program(NIMBRAL_WX_CONFIG wx-config PATHS "${NIMBRAL_CROSS_CACHE}/wxwidgets/bin"
    NO_DEFAULT_PATH REQUIRED)
  execute_process(COMMAND "${NIMBRAL_WX_CONFIG}" --static=yes --unicode=yes --cxxflags
    OUTPUT_VARIABLE wx_cxxflags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND "${NIMBRAL_WX_CONFIG}" --static=yes --unicode=yes --libs webview,core,base
    OUTPUT_VARIABLE wx_libs OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(wx_cxxflags UNIX_COMMAND "${wx_cxxflags}")
  separate_arguments(wx_libs UNIX_COMMAND "${wx_libs}")
  foreach(flag IN LISTS wx_cxxflags)
    if(flag MATCHES "^-I(.*)")
      target_include_directories(nimbral_wx SYSTEM INTERFACE "${CMAKE_MATCH_1}")
    elseif(flag MATCHES "^-D(.*)")
      target_compile_definitions(nimbral_wx INTERFACE "${CMAKE_MATCH_1}")
    else()
      target_compile_options(nimbral_wx INTERFACE "$<$<COMPILE_LANGUAGE:CXX>:${flag}>")
    endif()
  endforeach()
  target_link_libraries(nimbral_wx INTERFACE ${wx_libs})
else()
  find_package(wxWidgets 3.2 REQUIRED COMPONENTS webview core base)
  target_include_directories(nimbral_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
  target_compile_definitions(nimbral_wx INTERFACE ${wxWidgets_DEFINITIONS})
  target_compile_options(nimbral_wx INTERFACE ${wxWidgets_CXX_FLAGS})
  target_link_libraries(nimbral_wx INTERFACE ${wxWidgets_LIBRARIES})
endif()
