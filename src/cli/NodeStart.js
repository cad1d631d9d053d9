// Put before artisanscope.js, the command line for Node (WebAssembly build
// only), ahead of the module's compilation.
//
// One run is one export, diff or plan of well under a second. V8 first
// compiles a function with Liftoff and later recompiles the busiest ones
// with TurboFan, on other threads; for SQLite's statement parser, query
// planner and virtual machine that second compilation costs more processor
// time than the whole run of the faster code saves, so the program stays on
// Liftoff. Its functions are validated as each is first compiled, not all of
// them before main. Both flags exist in Node 18 and later.
if (typeof process == "object" && process.versions && process.versions.node) {
  require("v8").setFlagsFromString("--liftoff-only");
  require("v8").setFlagsFromString("--wasm-lazy-validation");
}
// emscripten's /dev/random and /dev/urandom take their bytes from the global
// `crypto` at start-up; in Node that global loads the whole Web Crypto API
// and its streams (tens of milliseconds). Node's crypto module is loaded
// only when random bytes are read, which an export does not do.
var crypto = {
  getRandomValues: function(array) {
    return require("crypto").randomFillSync(array);
  }
};
