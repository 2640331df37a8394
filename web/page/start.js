// The end of core.js, run as soon as it is read in the page's head: what it hands over is
// OrvikCore, the one name core.js defines. The core is compiled here, once for the page and every
// worker (WorkerClient hands it to each), and the page's own instance of the library, which seeds
// and rolls, is made as soon as it is: the first answer waits for neither app.js nor a worker.
// The workers' source is orvikLibrary's text and the worker's script; the first worker starts at
// once only when a link asks for odds, which it answers.
var libraryText = orvikLibrary.toString();
var workerUrl;
function worker() {
  workerUrl = workerUrl || URL.createObjectURL(
    new Blob([libraryText, '\n', workerSource], { type: 'text/javascript' }));
  return new Worker(workerUrl);
}
var firstWorker = /(^#|&)view=odds(&|$)/.test(location.hash) ? worker() : null;
// The core's WebAssembly, unpacked (core.mjs says how it is packed) and compiled as it comes.
var compiled = (function () {
  var bytes;
  if (Uint8Array.fromBase64) {
    bytes = Uint8Array.fromBase64(packedCore);
  } else {
    var text = atob(packedCore);
    bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  }
  var unpacked = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  return WebAssembly.compileStreaming(new Response(unpacked, { headers: { 'content-type': 'application/wasm' } }));
})();
var randomSeed = function () {
  return crypto.getRandomValues(new Uint32Array(1))[0];
};
return {
  compiled: compiled,
  // The page's instance of the library, over the core compiled above.
  page: compiled.then(function (module) {
    return orvikLibrary()(module, randomSeed, true);
  }),
  worker: worker,
  firstWorker: firstWorker,
  randomSeed: randomSeed,
};
