// The end of engine.js, run as soon as it is read in the page's head. The module is compiled
// here, once for the page and every worker (app.js hands it to each), and the page's own
// instance, which seeds and rolls, is made as soon as it is: the first answer waits for neither
// app.js nor a worker. The workers' source is orvikEngine's text and the worker's script; the
// first worker starts at once only when a link asks for odds, which it answers.
var orvikEngineText = orvikEngine.toString();
var orvikEngineUrl;
function orvikWorker() {
  orvikEngineUrl = orvikEngineUrl || URL.createObjectURL(
    new Blob([orvikEngineText, '\n', orvikWorkerSource], { type: 'text/javascript' }));
  return new Worker(orvikEngineUrl);
}
var orvikFirstWorker = /(^#|&)view=odds(&|$)/.test(location.hash) ? orvikWorker() : null;
var orvikModule = (function () {
  var prefix = 'wasmBinaryFile="data:application/octet-stream;base64,';
  var start = orvikEngineText.indexOf(prefix) + prefix.length;
  var base64 = orvikEngineText.slice(start, orvikEngineText.indexOf('"', start));
  var bytes;
  if (Uint8Array.fromBase64) {
    bytes = Uint8Array.fromBase64(base64);
  } else {
    var text = atob(base64);
    bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  }
  return WebAssembly.compile(bytes);
})();
var orvikRandomSeed = function () {
  return crypto.getRandomValues(new Uint32Array(1))[0];
};
// The page's instance of the API, over the module compiled above.
var orvikPage = orvikModule.then(function (module) {
  return orvikEngine()(module, orvikRandomSeed, false);
});
