// The ES module emscripten 3.1.6 writes still reads CommonJS's __dirname under Node, which an ES
// module lacks: the module's own folder, from import.meta.url. Browsers never read it.
var __dirname = typeof process == 'object' ? decodeURIComponent(new URL('.', import.meta.url).pathname) : '';
