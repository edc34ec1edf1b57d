# wxWidgets as one target, nimbral_wx, carrying its include folders,
# definitions and libraries to whatever links it (FindwxWidgets only sets
# directory-wide variables).
find_package(wxWidgets 3.2 REQUIRED COMPONENTS webview core base)
add_library(nimbral_wx INTERFACE)
target_include_directories(nimbral_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(nimbral_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(nimbral_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(nimbral_wx INTERFACE ${wxWidgets_LIBRARIES})
