# cmake "-DPARTS=a.js|b.js|..." -DOUTPUT=app.js -P Join.cmake: the page's rooms, joined in
# order into one plain script.
string(REPLACE "|" ";" parts "${PARTS}")
set(joined "// The Orvik page, joined from web/page/: ${PARTS}\n")
string(REPLACE "${CMAKE_CURRENT_LIST_DIR}/" "" joined "${joined}")
string(REPLACE "|" ", " joined "${joined}")
foreach(part IN LISTS parts)
  file(READ ${part} text)
  string(APPEND joined "${text}")
endforeach()
file(WRITE ${OUTPUT} "${joined}")
