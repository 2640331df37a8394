// The library over a core already compiled (core.js's, which the page hands its workers): a
// promise of the API's object. Part of orvikLibrary(), so that the page and its workers make it
// one way.
// eslint-disable-next-line no-unused-vars
function orvikInstance(compiled, randomSeed, forPage) {
  return new Promise(function (resolve, reject) {
    var options = {
      instantiateWasm: function (imports, receive) {
        WebAssembly.instantiate(compiled, imports).then(function (instance) { receive(instance); }, reject);
        return {};
      },
    };
    createOrvikCore(options).then(function (core) { resolve(orvikApi(core, randomSeed, forPage)); }, reject);
  });
}
