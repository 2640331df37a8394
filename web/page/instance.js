// The library over a module already compiled (given none, it compiles its own): a promise of the
// API's object. Part of orvikEngine(), so that the page and its workers make it one way.
// eslint-disable-next-line no-unused-vars
function orvikInstance(module, randomSeed, forPage) {
  return new Promise(function (resolve, reject) {
    var options = module ? {
      instantiateWasm: function (imports, receive) {
        WebAssembly.instantiate(module, imports).then(function (instance) { receive(instance); }, reject);
        return {};
      },
    } : {};
    createOrvikCore(options).then(function (core) { resolve(orvikApi(core, randomSeed, forPage)); }, reject);
  });
}
