// The end of engine.js, run as soon as it is read in the page's head: the first worker starts at
// once and compiles the module while the rest of the page is read and laid out (app.js takes it).
var orvikEngineUrl = URL.createObjectURL(new Blob([orvikEngineSource], { type: 'text/javascript' }));
var orvikFirstWorker = new Worker(orvikEngineUrl);
