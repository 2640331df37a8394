// The end of engine.js, run as soon as it is read in the page's head. The first worker starts at
// once, and the compiled module is made here meanwhile, once for every worker (app.js hands it
// to each): a worker's own start and the compiling then overlap, and no later worker compiles.
var orvikEngineUrl = URL.createObjectURL(new Blob([orvikEngineSource], { type: 'text/javascript' }));
var orvikFirstWorker = new Worker(orvikEngineUrl);
var orvikModule = (function () {
  var prefix = 'wasmBinaryFile="data:application/octet-stream;base64,';
  var start = orvikEngineSource.indexOf(prefix) + prefix.length;
  var text = atob(orvikEngineSource.slice(start, orvikEngineSource.indexOf('"', start)));
  var bytes = new Uint8Array(text.length);
  for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return WebAssembly.compile(bytes);
})();
