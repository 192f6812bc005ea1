# End-to-end tests: the real viewers in real windows on a virtual display, and
# the web page in headless Chromium, compared pixel for pixel with
# wadscope-render. Each starts its own Xvfb or web server.
set(WADSCOPE_WIN64_EXE "" CACHE FILEPATH "wadscope.exe of the x86_64 Windows build, for the Wine test")

if(TARGET wadscope AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/sdl_viewer_test.sh)
  add_test(NAME sdl_viewer_e2e
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/sdl_viewer_test.sh
            $<TARGET_FILE:wadscope> $<TARGET_FILE:wadscope-render> ${PROJECT_SOURCE_DIR})
  set_tests_properties(sdl_viewer_e2e PROPERTIES LABELS e2e TIMEOUT 600)
endif()

if(WADSCOPE_WIN64_EXE AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_viewer_test.sh)
  add_test(NAME wine_viewer_e2e
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_viewer_test.sh
            ${WADSCOPE_WIN64_EXE} $<TARGET_FILE:wadscope-render> ${PROJECT_SOURCE_DIR})
  set_tests_properties(wine_viewer_e2e PROPERTIES LABELS e2e TIMEOUT 900)
endif()

set(WADSCOPE_WEB_SITE "" CACHE PATH "the web page's folder from tools/build-web.sh, for the browser test")
if(WADSCOPE_WEB_SITE AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/web_page_test.py)
  add_test(NAME web_page_e2e
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/web_page_test.py
            ${WADSCOPE_WEB_SITE} $<TARGET_FILE:wadscope-render> ${PROJECT_SOURCE_DIR})
  set_tests_properties(web_page_e2e PROPERTIES LABELS e2e TIMEOUT 300)
endif()
