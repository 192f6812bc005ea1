# End-to-end tests: the viewers in real windows on a display of their own and the web page in
# headless Chromium, each compared pixel for pixel with wadscope-render.
set(WADSCOPE_WIN64_EXE "" CACHE FILEPATH "wadscope.exe of the x86_64 Windows build, for the Wine test")
set(WADSCOPE_WEB_SITE "" CACHE PATH "the web page's folder from tools/build-web.sh, for the browser test")
function(add_e2e_test name timeout)  # NAME TIMEOUT COMMAND...: wadscope-render and the source folder follow
  add_test(NAME ${name} COMMAND ${ARGN} $<TARGET_FILE:wadscope-render> ${PROJECT_SOURCE_DIR})
  set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT ${timeout})
endfunction()

add_e2e_test(sdl_viewer_e2e 600 bash ${CMAKE_CURRENT_LIST_DIR}/sdl_viewer_test.sh $<TARGET_FILE:wadscope>)
if(WADSCOPE_WIN64_EXE)
  add_e2e_test(wine_viewer_e2e 900 bash ${CMAKE_CURRENT_LIST_DIR}/wine_viewer_test.sh ${WADSCOPE_WIN64_EXE})
endif()
if(WADSCOPE_WEB_SITE)
  add_e2e_test(web_page_e2e 300 /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/web_page_test.py ${WADSCOPE_WEB_SITE})
endif()
