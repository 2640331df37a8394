# cmake -DCORE=orvik-script.js -DWORKER=worker.js -DSTART=start.js -DOUTPUT=engine.js -P Engine.cmake:
# engine.js, a plain script that defines orvikEngineSource, the worker's whole source as one string
# (the compiled module's script, then the worker's), which the page makes its workers from, then
# starts the first of them (start.js).
file(READ ${CORE} core)
file(READ ${WORKER} worker)
file(READ ${START} start)
set(source "${core}\n${worker}")
string(REPLACE "\\" "\\\\" source "${source}")
string(REPLACE "\"" "\\\"" source "${source}")
string(REPLACE "\r" "\\r" source "${source}")
string(REPLACE "\n" "\\n" source "${source}")
file(WRITE ${OUTPUT} "// The page's worker, as a string: built from orvik-script.js, api.js and worker.js.\n"
                     "var orvikEngineSource = \"${source}\";\n${start}")
