# cmake -DCORE=orvik-script.js -DAPI=api.js -DINSTANCE=instance.js -DWORKER=worker.js -DSTART=start.js
#   -DOUTPUT=engine.js -P Engine.cmake:
# engine.js, a plain script. It defines orvikEngine(), a function holding the compiled module's
# script, the API and instance.js, which makes the API's object (the page calls it to roll on its
# own thread), and orvikWorkerSource, the
# worker's script as a string; start.js then makes the workers' source from the two (a page
# opened from disk may start a worker only from a Blob of a source it already has, and the
# function's text is its source, so the module is in the file once).
file(READ ${CORE} core)
file(READ ${API} api)
file(READ ${INSTANCE} instance)
file(READ ${WORKER} worker)
file(READ ${START} start)
string(REPLACE "\\" "\\\\" worker "${worker}")
string(REPLACE "\"" "\\\"" worker "${worker}")
string(REPLACE "\r" "\\r" worker "${worker}")
string(REPLACE "\n" "\\n" worker "${worker}")
file(WRITE ${OUTPUT} "// Orvik's engine for the page: built from orvik-script.js, api.js, instance.js,\n"
                     "// worker.js and start.js.\n"
                     "// eslint-disable-next-line no-unused-vars\n"
                     "function orvikEngine() {\n${core}\n${api}\n${instance}\n"
                     "return orvikInstance;\n}\n"
                     "var orvikWorkerSource = \"${worker}\";\n${start}")
