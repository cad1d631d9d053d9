// Put before artisanscope.js, the command line for Node (WebAssembly build
// only), ahead of the module's compilation.
//
// One run is one export, diff or plan, mostly well under a second. V8 first
// compiles a function with Liftoff and later recompiles the busiest ones
// with TurboFan, on other threads. For SQLite's statement parser, query
// planner and virtual machine that second compilation costs more processor
// time than the faster code saves before the run ends, and on the largest
// tables it saves about as much as it costs: the program stays on Liftoff.
// Its functions are validated as each is first compiled, not all of them
// before main. Both flags are older than Node 18's V8; a Node without them
// would print "unrecognized flag" on standard error, which the comparison
// with the native program (native_vs_wasm) reports.
if (typeof process == "object" && process.versions && process.versions.node) {
  require("v8").setFlagsFromString("--liftoff-only");
  require("v8").setFlagsFromString("--wasm-lazy-validation");
}
// emscripten's /dev/random and /dev/urandom look up the global `crypto` when
// they are made, at start-up; in Node that global loads the whole Web Crypto
// API and its streams (about ten milliseconds). Node's crypto module is loaded
// only when random bytes are read, which an export does not do.
var crypto = {
  getRandomValues: function(array) {
    return require("crypto").randomFillSync(array);
  }
};
