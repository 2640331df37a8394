# cmake -DTEMPLATE=FILE -DAPI=FILE -DOUTPUT=FILE -P Bundle.cmake: the template with its
# @ORVIK_API@ line replaced by the API's script, so that the package's module and the page's
# worker share that one file.
file(READ ${API} ORVIK_API)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
